# The raster suites once more at every level below the best one (the default
# run covers that), so that each level's table is what the routines call; the
# differential tests compare every level in one process as well.
set(RASTER_SUITES "Blits*:BlitKernels*:Pixels*:ColorArithmetic*:Stretch*:Rotate*:Filters*:RasterKernels*")
set(RASTER_LEVELS_BELOW_BEST none portable)
if(MORVEX_RASTER_ARCH STREQUAL x86_64)
  list(APPEND RASTER_LEVELS_BELOW_BEST sse2)
endif()
foreach(level ${RASTER_LEVELS_BELOW_BEST})
  add_test(NAME raster-tests-simd-${level}
    COMMAND morvex-tests --gtest_filter=${RASTER_SUITES}
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(raster-tests-simd-${level} PROPERTIES ENVIRONMENT MORVEX_SIMD=${level})
endforeach()

# An inline routine of a shared header that the compiler keeps out of line in
# an AVX2 file becomes a weak symbol the linker may pick for every other file
# too, and that copy would fault on a processor without AVX2.
if(MORVEX_RASTER_ARCH STREQUAL x86_64)
  add_test(NAME raster-avx2-objects-define-no-shared-code
    COMMAND ${CMAKE_SOURCE_DIR}/tests/raster/isa_objects.sh $<TARGET_OBJECTS:morvex_raster_avx2>)
endif()
