# What a user meets: ./demo's explanations of a failed run, the install layout
# and its tests. (The parts are included in name order: this one after program
# and render, whose targets it installs.)
if(MORVEX_SANITIZE)
  return()  # not part of the sanitizer and fuzzing trees
endif()
enable_testing()
add_test(NAME demo-explains-failures COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/explain_failure_test.sh)

# The icon: the logo picture of the pack on a black square.
add_executable(morvex-icon tools/icon/main.cpp tools/render/png_write.cpp)
target_link_libraries(morvex-icon morvex_core PNG::PNG)
set(MORVEX_ICON ${CMAKE_BINARY_DIR}/morvex.png)
add_custom_command(OUTPUT ${MORVEX_ICON}
  COMMAND morvex-icon ${CONTENT_PACK} ${MORVEX_ICON} 256
  DEPENDS ${CONTENT_PACK}
  COMMENT "Drawing the icon from the logo"
  VERBATIM)
add_custom_target(icon ALL DEPENDS ${MORVEX_ICON})

# The program, the renderer and their two files together in a private folder;
# bin/ holds symbolic links to them (the program finds its files through its
# real path).
include(GNUInstallDirs)
set(MORVEX_PRIVATE_DIR lib/morvex)
install(TARGETS morvex morvex-render RUNTIME DESTINATION ${MORVEX_PRIVATE_DIR})
install(FILES ${CONTENT_PACK} ${CONTENT_MUSIC} DESTINATION ${MORVEX_PRIVATE_DIR})
install(CODE "
  set(bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(MAKE_DIRECTORY \"\${bindir}\")
  foreach(program morvex morvex-render)
    file(REMOVE \"\${bindir}/\${program}\")
    file(CREATE_LINK ../${MORVEX_PRIVATE_DIR}/\${program} \"\${bindir}/\${program}\" SYMBOLIC)
  endforeach()")
install(FILES tools/install/morvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${MORVEX_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES tools/install/morvex.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# cpack -G DEB (in build/) makes a Debian package of the same layout.
set(CPACK_PACKAGE_NAME morvex)
set(CPACK_PACKAGE_VERSION 4.0.5)
set(CPACK_PACKAGE_CONTACT "morvex developers <morvex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual show for X11")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)

add_test(NAME install COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/install_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(install PROPERTIES TIMEOUT 300)
