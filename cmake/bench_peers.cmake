# The raster routines against pixman on the same buffers. Built only where
# pixman's headers are installed (libpixman-1-dev); the show never links it.
if(MORVEX_SANITIZE)
  return()  # not part of the sanitizer tree
endif()
find_package(PkgConfig REQUIRED)
pkg_check_modules(PIXMAN QUIET IMPORTED_TARGET pixman-1)
if(PIXMAN_FOUND)
  add_executable(morvex-bench-peers bench/peers_bench.cpp)
  target_link_libraries(morvex-bench-peers morvex_core PkgConfig::PIXMAN)
else()
  message(STATUS "pixman-1 not found: morvex-bench-peers is not built")
endif()
