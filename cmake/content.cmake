# The content generator: morvex-content paints the 77 pictures into data.dat and
# composes kaz.mp3; morvex-cuts reads the cut times from the engine's score.
# Both files are made at build time beside the executable, the pack again when
# the generator changes, the soundtrack when its own sources or a cut time do.
if(MORVEX_FUZZ)
  return()  # the fuzzing tree builds only its harnesses
endif()
if(MORVEX_CONTENT_DIR)
  # A checking tree takes the content another tree made: links instead of a second
  # generator run. The tests still decode the MP3 with libmpg123.
  file(MAKE_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
  foreach(content_file data.dat kaz.mp3)
    file(CREATE_LINK ${MORVEX_CONTENT_DIR}/${content_file} ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${content_file} SYMBOLIC)
  endforeach()
  add_custom_target(content)
  find_package(PkgConfig REQUIRED)
  pkg_check_modules(CONTENT_TEST_LIBS REQUIRED IMPORTED_TARGET libmpg123)
  return()
endif()
find_package(PkgConfig REQUIRED)
pkg_check_modules(CONTENT_LIBS REQUIRED IMPORTED_TARGET freetype2 libpng)
find_path(MP3LAME_INCLUDE_DIR lame/lame.h REQUIRED)
find_library(MP3LAME_LIBRARY mp3lame REQUIRED)

add_executable(morvex-content
  tools/content/main.cpp tools/content/canvas.cpp tools/content/font.cpp tools/content/pictures.cpp
  tools/content/pictures_lettering.cpp tools/content/pictures_anatomy.cpp tools/content/pictures_nature.cpp
  tools/content/pictures_objects.cpp tools/content/pictures_lines.cpp
  tools/content/imgpack.cpp tools/content/sheet.cpp tools/content/music.cpp tools/content/musicvoices.cpp
  tools/content/mp3.cpp tools/content/listen.cpp)
target_include_directories(morvex-content PRIVATE ${MP3LAME_INCLUDE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(morvex-content PRIVATE PkgConfig::CONTENT_LIBS ${MP3LAME_LIBRARY})

add_executable(morvex-cuts tools/content/cuts.cpp)
target_link_libraries(morvex-cuts PRIVATE morvex_core)

set(CONTENT_WORK_DIR ${CMAKE_BINARY_DIR}/content)
set(CONTENT_CUTS ${CONTENT_WORK_DIR}/cuts.txt)
set(CONTENT_PACK ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/data.dat)
set(CONTENT_MUSIC ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/kaz.mp3)
file(MAKE_DIRECTORY ${CONTENT_WORK_DIR})

# cuts.txt keeps its time stamp when the cut times stay the same (the tool only
# rewrites it on a change), so the soundtrack is not made again for every core change.
add_custom_command(OUTPUT ${CONTENT_CUTS}
  COMMAND morvex-cuts ${CONTENT_CUTS}
  DEPENDS morvex-cuts
  COMMENT "Reading the cut times from the score"
  VERBATIM)
add_custom_command(OUTPUT ${CONTENT_PACK}
  COMMAND morvex-content pack ${CONTENT_PACK}
  DEPENDS morvex-content
  COMMENT "Generating data.dat"
  VERBATIM)
# The soundtrack depends on the cut times and on the music's own sources only,
# not on the whole generator: changing a picture makes only the pack again.
set(CONTENT_MUSIC_SOURCES
  tools/content/main.cpp tools/content/music.cpp tools/content/music.h tools/content/musicvoices.cpp
  tools/content/musicvoices.h tools/content/mp3.cpp
  tools/content/mp3.h tools/content/detmath.h)
list(TRANSFORM CONTENT_MUSIC_SOURCES PREPEND ${CMAKE_SOURCE_DIR}/)
add_custom_command(OUTPUT ${CONTENT_MUSIC}
  COMMAND morvex-content music ${CONTENT_CUTS} ${CONTENT_MUSIC}
  DEPENDS ${CONTENT_MUSIC_SOURCES} ${CONTENT_CUTS}
  COMMENT "Generating kaz.mp3"
  VERBATIM)
add_custom_target(content ALL DEPENDS ${CONTENT_PACK} ${CONTENT_MUSIC})

# The contact sheet in docs/, made on request: cmake --build build --target contact-sheet
add_custom_target(contact-sheet
  COMMAND morvex-content pack ${CONTENT_WORK_DIR}/data.dat ${CMAKE_SOURCE_DIR}/docs/contact-sheet.png
  DEPENDS morvex-content
  COMMENT "Drawing docs/contact-sheet.png"
  VERBATIM)

# The tests read the generated files through the engine's loader and decode the
# MP3 with libmpg123.
pkg_check_modules(CONTENT_TEST_LIBS REQUIRED IMPORTED_TARGET libmpg123)
add_test(NAME content_reproducible
  COMMAND morvex-content verify ${CONTENT_CUTS} ${CONTENT_PACK} ${CONTENT_MUSIC})
