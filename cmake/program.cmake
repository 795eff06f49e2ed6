# The real program: the show core plus the platform edge (X11/GLX window and
# video mode, libmpg123 + OpenAL Soft music), and its end-to-end tests.
find_package(PkgConfig REQUIRED)
pkg_check_modules(MPG123 REQUIRED IMPORTED_TARGET libmpg123)
# The soundtrack decoder (libmpg123, no output device): the music back end and
# the renderer's video capture decode kaz.mp3 the same way.
add_library(morvex_mp3 STATIC src/music/mp3_decode.cpp)
target_link_libraries(morvex_mp3 PUBLIC morvex_core PkgConfig::MPG123)

if(MORVEX_SANITIZE)
  return()  # the rest is not part of the sanitizer tree
endif()
find_package(X11 REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
pkg_check_modules(OPENAL REQUIRED IMPORTED_TARGET openal)


# The music back end on its own, so test programs can drive it without a window.
add_library(morvex_music STATIC src/music/music.cpp src/music/music_openal.cpp)
target_link_libraries(morvex_music PUBLIC morvex_core morvex_mp3 PkgConfig::OPENAL)

add_library(morvex_display STATIC src/display/window.cpp src/display/vidmode.cpp src/display/present.cpp
            src/display/signals.cpp src/display/guardian.cpp)
target_link_libraries(morvex_display PUBLIC morvex_core X11::X11 X11::Xxf86vm X11::Xss OpenGL::GL OpenGL::GLX)

add_executable(morvex src/driver/main.cpp)
target_link_libraries(morvex morvex_display morvex_music morvex_core)

# ---- end-to-end tests: the real program against real servers -----------------
# Their libraries come with ./check's packages; ./demo builds without them.
find_library(XTST_LIBRARY Xtst)
find_library(MP3LAME_LIBRARY mp3lame)
find_library(XDAMAGE_LIBRARY Xdamage)
find_library(XFIXES_LIBRARY Xfixes)
find_path(XTST_INCLUDE_DIR X11/extensions/XTest.h)
if(XTST_LIBRARY AND XTST_INCLUDE_DIR AND MP3LAME_LIBRARY AND XDAMAGE_LIBRARY AND XFIXES_LIBRARY)

add_executable(morvex-clock-probe tests/e2e/clock_probe.cpp)
target_link_libraries(morvex-clock-probe morvex_music)

add_executable(morvex-display-probe tests/e2e/display_probe.cpp)
target_link_libraries(morvex-display-probe morvex_display ${XTST_LIBRARY} ${XFIXES_LIBRARY})

add_executable(morvex-e2e tests/e2e/e2e.cpp tests/e2e/harness.cpp tests/e2e/sound_match.cpp)
target_include_directories(morvex-e2e PRIVATE tests)
# ./demo's advice (tools/explain-failure.sh) is run as ./demo runs it.
target_compile_definitions(morvex-e2e PRIVATE MORVEX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_link_libraries(morvex-e2e morvex_core X11::X11 X11::Xxf86vm ${XTST_LIBRARY} ${XDAMAGE_LIBRARY} ${MP3LAME_LIBRARY}
                      PkgConfig::MPG123)
add_dependencies(morvex-e2e morvex morvex-clock-probe morvex-display-probe)

# Each case starts its own servers; Xorg cases skip (77) when not run as root.
foreach(e2e_case errors windowed close-and-signals fullscreen fullscreen-stop-signals fullscreen-crashes scaled
                 guardian install-path hostile-files read-only-folder full-passes clock clock-null-output clock-under-load
                 display-window display-fullscreen sound viewer viewer-music-end)
  add_test(NAME e2e.${e2e_case} COMMAND morvex-e2e ${e2e_case} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(e2e.${e2e_case} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 240 LABELS e2e)
endforeach()
# Two whole shows with their 255-frame end fades: minutes on a busy machine.
set_tests_properties(e2e.full-passes PROPERTIES TIMEOUT 420)
# What one show sounds like, not one beside another show of the suite (each
# is a busy drawing thread and an X server of its own).
set_tests_properties(e2e.sound PROPERTIES RUN_SERIAL TRUE)
endif()
