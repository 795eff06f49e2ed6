# Figures for the whole-image blits, reference kernels against the fast ones.
if(MORVEX_SANITIZE)
  return()  # not part of the sanitizer tree
endif()
add_executable(morvex-bench-raster bench/raster_bench.cpp)
target_link_libraries(morvex-bench-raster morvex_core)
