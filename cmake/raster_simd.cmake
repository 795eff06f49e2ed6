# Instruction-set kernels of the raster library: each file gets its own flags,
# the rest of the project stays at the baseline. The files compile to nothing
# on other processors.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "x86_64|AMD64|i.86")
  set_source_files_properties(
    ${CMAKE_CURRENT_LIST_DIR}/../src/raster/stretch_avx2.cpp
    ${CMAKE_CURRENT_LIST_DIR}/../src/raster/filter_avx2.cpp
    PROPERTIES COMPILE_OPTIONS "-mavx2")
endif()

# The stretch, rotate and filter tests once more under MORVEX_SIMD=none (they
# compare every level in one process as well).
enable_testing()
add_test(NAME raster-stretch-filter-simd-none
  COMMAND morvex-tests --gtest_filter=Stretch*:Rotate*:Filters*
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(raster-stretch-filter-simd-none PROPERTIES ENVIRONMENT MORVEX_SIMD=none)
