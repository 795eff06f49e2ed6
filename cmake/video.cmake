# morvex-render --video: capture with FFmpeg's libraries (libavformat muxes,
# libavcodec encodes through x264, libvpx, FFV1, AAC, Opus and FLAC), and its tests.
if(MORVEX_FUZZ)
  return()  # the fuzzing tree builds only its harnesses
endif()
find_package(PkgConfig REQUIRED)
# ./check installs FFmpeg's libraries; ./demo does not, and its renderer then
# says so when asked for --video.
pkg_check_modules(LIBAV IMPORTED_TARGET libavformat libavcodec libavutil libswscale libswresample)
if(NOT LIBAV_FOUND)
  target_sources(morvex-render PRIVATE tools/render/video_none.cpp)
  return()
endif()

target_sources(morvex-render PRIVATE tools/render/video.cpp)
target_link_libraries(morvex-render morvex_mp3 PkgConfig::LIBAV)

# The capture's tests read the files back with libavformat/libavcodec
# (GoogleTest comes with ./check's packages; ./demo builds without it).
find_package(GTest)
if(GTest_FOUND AND NOT MORVEX_SANITIZE)  # libav is not instrumented: nothing to gain there
  include(GoogleTest)
  add_executable(morvex-video-tests tests/video/video_test.cpp tools/render/crc32.cpp)
  target_include_directories(morvex-video-tests PRIVATE tools)
  target_link_libraries(morvex-video-tests morvex_mp3 PkgConfig::LIBAV GTest::gtest GTest::gtest_main)
  add_dependencies(morvex-video-tests morvex-render)
  gtest_discover_tests(morvex-video-tests WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin DISCOVERY_TIMEOUT 60
                       PROPERTIES TIMEOUT 300)
endif()
