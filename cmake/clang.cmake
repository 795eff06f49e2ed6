# The generator's pack and composed samples against their pinned hashes: the
# same from every compiler and machine (an aarch64 build under qemu included).
if(MORVEX_SANITIZE)
  return()  # compares the main tree with the clang tree
endif()
add_test(NAME content-fingerprint
  COMMAND ${CMAKE_SOURCE_DIR}/tools/compare-builds.sh fingerprint ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
          ${CMAKE_BINARY_DIR}/content/cuts.txt ${CMAKE_SOURCE_DIR}/tests/content-fingerprint.txt)

# The clang build in build-clang/ (tools/clang-build.sh, run by ./check) must
# write the same pack and soundtrack as this build and render the pinned show.
# The cases skip (77) when there is no clang build.
set(CLANG_BIN ${CMAKE_SOURCE_DIR}/build-clang/bin)
add_test(NAME clang.content-bytes
  COMMAND ${CMAKE_SOURCE_DIR}/tools/compare-builds.sh content ${CMAKE_RUNTIME_OUTPUT_DIRECTORY} ${CLANG_BIN})
add_test(NAME clang.show-hashes
  COMMAND ${CMAKE_SOURCE_DIR}/tools/compare-builds.sh show ${CLANG_BIN} ${CMAKE_SOURCE_DIR}/tests/show-hashes.txt)
set_tests_properties(content-fingerprint clang.content-bytes clang.show-hashes PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
