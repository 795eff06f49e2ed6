# morvex-render: the show headless, for tests, review and capture.
if(MORVEX_FUZZ)
  return()  # the fuzzing tree builds only its harnesses
endif()
find_package(PNG REQUIRED)
find_package(Freetype REQUIRED)
add_executable(morvex-render
  tools/render/main.cpp tools/render/bench.cpp tools/render/crc32.cpp tools/render/png_write.cpp
  tools/render/storyboard.cpp tools/render/digest.cpp tools/render/review.cpp tools/render/flashes.cpp)
target_link_libraries(morvex-render morvex_core PNG::PNG Freetype::Freetype)
