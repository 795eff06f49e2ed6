# The raster suites for a cross build (GoogleTest of the target, for aarch64
# Debian's libgtest-dev:arm64): every kernel at every level of the target
# against the reference, run under qemu-user by tools/check-ports.sh. Static,
# so qemu-user needs no target libraries to start it.
find_package(GTest)
if(GTest_FOUND)
  add_executable(morvex-raster-tests
    tests/allocation_counter.cpp tests/fixtures.cpp
    tests/raster/allocation_test.cpp tests/raster/blit_test.cpp tests/raster/exactround_test.cpp
    tests/raster/fastpaths_test.cpp tests/raster/filter_test.cpp tests/raster/kernels_test.cpp
    tests/raster/numeric_test.cpp tests/raster/pixels_test.cpp tests/raster/stretch_test.cpp
    tests/raster/vecmath_test.cpp)
  target_include_directories(morvex-raster-tests PRIVATE tests)
  target_link_libraries(morvex-raster-tests morvex_core GTest::gtest GTest::gtest_main)
  target_link_options(morvex-raster-tests PRIVATE -static)
endif()
