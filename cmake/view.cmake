# morvex-view: the show in a window with its sound from any time, with review
# keys; the program's own display and music units under a loop of its own.
if(MORVEX_SANITIZE)
  return()  # not part of the sanitizer and fuzzing trees: no X, GL or audio there
endif()
add_executable(morvex-view tools/view/main.cpp)
target_link_libraries(morvex-view morvex_display morvex_music morvex_core)
if(TARGET morvex-e2e)
  add_dependencies(morvex-e2e morvex-view)
endif()
