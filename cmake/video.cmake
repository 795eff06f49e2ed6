# morvex-render --video: capture with FFmpeg's libraries (libavformat muxes,
# libavcodec encodes through x264, libvpx, FFV1, AAC, Opus and FLAC), and its tests.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LIBAV REQUIRED IMPORTED_TARGET libavformat libavcodec libavutil libswscale libswresample)

target_sources(morvex-render PRIVATE tools/render/video.cpp)
target_link_libraries(morvex-render morvex_mp3 PkgConfig::LIBAV)
