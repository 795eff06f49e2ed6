# The raster tests once more with the fast kernels switched off, so that the
# reference path is what the blits run (the differential tests compare both
# levels in one process either way).
enable_testing()
add_test(NAME raster-tests-simd-none
  COMMAND morvex-tests --gtest_filter=Blits*:BlitKernels*:Pixels*:ColorArithmetic*
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set_tests_properties(raster-tests-simd-none PROPERTIES ENVIRONMENT MORVEX_SIMD=none)
