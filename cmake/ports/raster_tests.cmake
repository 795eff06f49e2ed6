# The raster suites of the unit tests for the ports: the differential tests of
# every kernel at every level of the target against the reference, worked
# values, random images; run by tools/check-ports.sh.
if(EMSCRIPTEN)
  # Built for node, once per wasm module: morvex-raster-tests.js (portable) and morvex-raster-tests-simd.js
  # (WebAssembly SIMD). GoogleTest is compiled from Debian's sources
  # (googletest); without them the suites are left out.
  set(MORVEX_GTEST_SOURCE /usr/src/googletest/googletest)
  if(NOT EXISTS ${MORVEX_GTEST_SOURCE}/src/gtest-all.cc)
    message(STATUS "No GoogleTest sources in ${MORVEX_GTEST_SOURCE}: the wasm raster tests are left out")
    return()
  endif()
  add_library(morvex_wasm_gtest STATIC ${MORVEX_GTEST_SOURCE}/src/gtest-all.cc ${MORVEX_GTEST_SOURCE}/src/gtest_main.cc)
  target_include_directories(morvex_wasm_gtest PUBLIC ${MORVEX_GTEST_SOURCE}/include PRIVATE ${MORVEX_GTEST_SOURCE})
  target_compile_definitions(morvex_wasm_gtest PUBLIC GTEST_HAS_PTHREAD=0)
  add_executable(morvex-raster-tests
    tests/raster/blit_test.cpp tests/raster/depthspan_test.cpp tests/raster/fastpaths_test.cpp
    tests/raster/filter_test.cpp tests/raster/kernels_test.cpp tests/raster/stretch_test.cpp tests/fixtures.cpp)
  target_include_directories(morvex-raster-tests PRIVATE tests)
  target_link_libraries(morvex-raster-tests morvex_core morvex_wasm_gtest)
  target_link_options(morvex-raster-tests PRIVATE ${MORVEX_NODE_LINK_OPTIONS} -sALLOW_MEMORY_GROWTH=1)
  morvex_wasm_modules(morvex-raster-tests)
  target_link_libraries(morvex-raster-tests-simd morvex_wasm_gtest)
else()
  # The raster suites for a cross build (GoogleTest of the target, for aarch64
  # Debian's libgtest-dev:arm64): every kernel at every level of the target
  # against the reference, run under qemu-user by tools/check-ports.sh. Static,
  # so qemu-user needs no target libraries to start it.
  find_package(GTest)
  if(GTest_FOUND)
    add_executable(morvex-raster-tests
      tests/allocation_counter.cpp tests/fixtures.cpp
      tests/raster/allocation_test.cpp tests/raster/blit_test.cpp tests/raster/depthspan_test.cpp
      tests/raster/exactround_test.cpp
      tests/raster/fastpaths_test.cpp tests/raster/filter_test.cpp tests/raster/kernels_test.cpp
      tests/raster/numeric_test.cpp tests/raster/pixels_test.cpp tests/raster/stretch_test.cpp
      tests/raster/vecmath_test.cpp)
    target_include_directories(morvex-raster-tests PRIVATE tests)
    target_link_libraries(morvex-raster-tests morvex_core GTest::gtest GTest::gtest_main)
    target_link_options(morvex-raster-tests PRIVATE -static)
  endif()
endif()
