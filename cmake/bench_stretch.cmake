# Figures for the stretched and rotated blits and the filters, every level.
if(MORVEX_SANITIZE)
  return()  # not part of the sanitizer tree
endif()
add_executable(morvex-bench-stretch bench/stretch_bench.cpp)
target_link_libraries(morvex-bench-stretch morvex_core)
