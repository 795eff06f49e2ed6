# The real program: the show core plus the platform edge (X11/GLX window and
# video mode, libmpg123 + OpenAL Soft music), and its end-to-end tests.
if(MORVEX_SANITIZE)
  return()  # not part of the sanitizer tree
endif()
find_package(X11 REQUIRED)
find_package(OpenGL REQUIRED COMPONENTS OpenGL GLX)
find_package(PkgConfig REQUIRED)
pkg_check_modules(MPG123 REQUIRED IMPORTED_TARGET libmpg123)
pkg_check_modules(OPENAL REQUIRED IMPORTED_TARGET openal)

# The music back end on its own, so test programs can drive it without a window.
add_library(morvex_music STATIC src/music/music.cpp src/music/music_openal.cpp)
target_link_libraries(morvex_music PUBLIC morvex_core PkgConfig::MPG123 PkgConfig::OPENAL)

add_library(morvex_display STATIC src/display/window.cpp src/display/vidmode.cpp src/display/present.cpp
  src/display/guardian.cpp)
target_link_libraries(morvex_display PUBLIC morvex_core X11::X11 X11::Xxf86vm OpenGL::GL OpenGL::GLX)

add_executable(morvex src/driver/main.cpp)
target_link_libraries(morvex morvex_display morvex_music morvex_core)

# ---- end-to-end tests: the real program against real servers -----------------
find_library(XTST_LIBRARY Xtst REQUIRED)
find_library(MP3LAME_LIBRARY mp3lame REQUIRED)
find_library(XDAMAGE_LIBRARY Xdamage REQUIRED)
find_library(XFIXES_LIBRARY Xfixes REQUIRED)

add_executable(morvex-clock-probe tests/e2e/clock_probe.cpp)
target_link_libraries(morvex-clock-probe morvex_music)

add_executable(morvex-display-probe tests/e2e/display_probe.cpp)
target_link_libraries(morvex-display-probe morvex_display ${XTST_LIBRARY} ${XFIXES_LIBRARY})

add_executable(morvex-e2e tests/e2e/e2e.cpp tests/e2e/harness.cpp)
target_include_directories(morvex-e2e PRIVATE tests)
target_link_libraries(morvex-e2e morvex_core X11::X11 X11::Xxf86vm ${XTST_LIBRARY} ${XDAMAGE_LIBRARY} ${MP3LAME_LIBRARY})
add_dependencies(morvex-e2e morvex morvex-clock-probe morvex-display-probe)

# Each case starts its own servers; Xorg cases skip (77) when not run as root.
foreach(e2e_case errors windowed close-and-signals fullscreen guardian install-path
                 full-passes clock clock-null-output
                 display-window display-fullscreen)
  add_test(NAME e2e.${e2e_case} COMMAND morvex-e2e ${e2e_case} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set_tests_properties(e2e.${e2e_case} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 240 LABELS e2e)
endforeach()
