# Fuzz harnesses (tests/fuzz): the pack walk and lookups, the .img decoder, the
# whole asset table, every effect module's set-up and a few frames, and the
# audio back end's MP3 loading. In the fuzzing tree (MORVEX_FUZZ, clang) they
# are libFuzzer programs, run by tools/fuzz.sh. Elsewhere each is linked with a
# replay driver and CTest runs it over its seed corpus and its regression inputs
# (every input a fuzzer ever crashed on), so the main and the sanitizer trees
# check them on every ./check.
set(FUZZ_DIR ${CMAKE_SOURCE_DIR}/tests/fuzz)
set(FUZZ_HARNESSES pack image assets effects mp3)
find_package(PkgConfig REQUIRED)
pkg_check_modules(FUZZ_MPG123 REQUIRED IMPORTED_TARGET libmpg123)
pkg_check_modules(FUZZ_OPENAL REQUIRED IMPORTED_TARGET openal)

# What every harness shares is compiled once (the replay driver only outside the
# fuzzing tree, where libFuzzer brings its own main).
add_library(morvex_fuzz_support OBJECT ${FUZZ_DIR}/fuzz_support.cpp)
target_include_directories(morvex_fuzz_support PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
if(NOT MORVEX_FUZZ)
  add_library(morvex_fuzz_replay OBJECT ${FUZZ_DIR}/replay_main.cpp)
  target_include_directories(morvex_fuzz_replay PRIVATE ${CMAKE_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/tests)
endif()

foreach(harness ${FUZZ_HARNESSES})
  set(sources ${FUZZ_DIR}/fuzz_${harness}.cpp $<TARGET_OBJECTS:morvex_fuzz_support>)
  if(harness STREQUAL "mp3")
    # The decoder comes compiled in morvex_mp3 (linked below).
    list(APPEND sources ${CMAKE_SOURCE_DIR}/src/music/music_openal.cpp)
  endif()
  if(MORVEX_FUZZ)
    set(target morvex-fuzz-${harness})
    add_executable(${target} ${sources})
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
  else()
    set(target morvex-fuzz-replay-${harness})
    add_executable(${target} ${sources} $<TARGET_OBJECTS:morvex_fuzz_replay>)
    # In a folder of its own: a failure writes logger.log where it runs.
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-replay/${harness})
    add_test(NAME fuzz-replay.${harness}
      COMMAND ${target} ${FUZZ_DIR}/corpus/${harness} ${FUZZ_DIR}/regressions/${harness}
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz-replay/${harness})
    set_tests_properties(fuzz-replay.${harness} PROPERTIES
      ENVIRONMENT "ALSOFT_DRIVERS=null;ASAN_OPTIONS=detect_leaks=1:halt_on_error=1;UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
  endif()
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${target} morvex_core)
  if(harness STREQUAL "mp3")
    target_link_libraries(${target} morvex_mp3 PkgConfig::FUZZ_MPG123 PkgConfig::FUZZ_OPENAL)
  endif()
endforeach()
