# The instruction-set kernels (src/raster/*_avx2.cpp) choose their target with
# a pragma after their includes rather than -mavx2 on the whole file, so that
# the inline routines of the shared headers are never built for AVX2 there.

# The stretch, rotate and filter tests once more under MORVEX_SIMD=none (they
# compare every level in one process as well).
enable_testing()
add_test(NAME raster-stretch-filter-simd-none
  COMMAND morvex-tests --gtest_filter=Stretch*:Rotate*:Filters*
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(raster-stretch-filter-simd-none PROPERTIES ENVIRONMENT MORVEX_SIMD=none)
