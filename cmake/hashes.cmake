# The ports' renderer built natively too: the values that depend on the
# platform's long double and libm are pinned from x86-64 and checked here.
if(MORVEX_FUZZ)
  return()  # the fuzzing tree builds only its harnesses
endif()
include(${CMAKE_CURRENT_LIST_DIR}/ports/hashes.cmake)
enable_testing()
add_test(NAME platform-values
  COMMAND morvex-hashes --check-values ${CMAKE_SOURCE_DIR}/tests/platform-values.txt
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
