# What a user meets: ./demo's explanations of a failed run, the install layout
# and its tests. (The parts are included in name order: this one after program
# and render, whose targets it installs.)
if(MORVEX_SANITIZE)
  return()  # not part of the sanitizer and fuzzing trees
endif()
enable_testing()
add_test(NAME demo-explains-failures COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/explain_failure_test.sh)
# ./check's timed steps and their closing table (tools/steps.sh).
add_test(NAME check-steps COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/steps_test.sh)

# The icon: the logo picture of the pack on a black square, at the sizes the
# desktop's icon theme asks for.
add_executable(morvex-icon tools/icon/main.cpp tools/render/png_write.cpp)
target_link_libraries(morvex-icon morvex_core PNG::PNG)
set(MORVEX_ICON_SIZES 48 64 128 256)
set(MORVEX_ICON ${CMAKE_BINARY_DIR}/icons/256/morvex.png)  # the largest, for tests and tools
set(MORVEX_ICONS)
foreach(size ${MORVEX_ICON_SIZES})
  set(icon ${CMAKE_BINARY_DIR}/icons/${size}/morvex.png)
  add_custom_command(OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
    COMMAND morvex-icon ${CONTENT_PACK} ${icon} ${size}
    DEPENDS ${CONTENT_PACK} morvex-icon
    COMMENT "Drawing the ${size} px icon from the logo"
    VERBATIM)
  list(APPEND MORVEX_ICONS ${icon})
endforeach()

# Manual pages and the changelog compressed as Debian wants them (gzip -9n: no
# name or time stamp inside, so the bytes repeat).
set(MORVEX_DOC_DIR ${CMAKE_BINARY_DIR}/doc)
set(MORVEX_GZIPPED)
foreach(source morvex.6 morvex-render.1 morvex-view.1 changelog)
  set(gz ${MORVEX_DOC_DIR}/${source}.gz)
  add_custom_command(OUTPUT ${gz}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${MORVEX_DOC_DIR}
    COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip ${CMAKE_SOURCE_DIR}/tools/install/${source} ${gz}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/install/${source}
    COMMENT "Compressing ${source}"
    VERBATIM)
  list(APPEND MORVEX_GZIPPED ${gz})
endforeach()
add_custom_target(icon ALL DEPENDS ${MORVEX_ICONS} ${MORVEX_GZIPPED})

# The program, the renderer, the viewer and their two files together in a
# private folder; bin/ holds symbolic links to them (the programs find their
# files through their real path).
include(GNUInstallDirs)
set(MORVEX_PRIVATE_DIR lib/morvex)
install(TARGETS morvex morvex-render morvex-view RUNTIME DESTINATION ${MORVEX_PRIVATE_DIR})
install(FILES ${CONTENT_PACK} ${CONTENT_MUSIC} DESTINATION ${MORVEX_PRIVATE_DIR})
install(CODE "
  set(bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(MAKE_DIRECTORY \"\${bindir}\")
  foreach(program morvex morvex-render morvex-view)
    file(REMOVE \"\${bindir}/\${program}\")
    file(CREATE_LINK ../${MORVEX_PRIVATE_DIR}/\${program} \"\${bindir}/\${program}\" SYMBOLIC)
  endforeach()")
install(FILES tools/install/morvex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES tools/install/morvex.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
        RENAME org.morvex.morvex.metainfo.xml)
foreach(size ${MORVEX_ICON_SIZES})
  install(FILES ${CMAKE_BINARY_DIR}/icons/${size}/morvex.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${MORVEX_DOC_DIR}/morvex.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${MORVEX_DOC_DIR}/morvex-render.1.gz ${MORVEX_DOC_DIR}/morvex-view.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES tools/install/copyright ${MORVEX_DOC_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/morvex)

# cpack -G DEB (in build/) makes a Debian package of the same layout, with the
# programs stripped (the tree builds without debug information).
set(CPACK_PACKAGE_NAME morvex)
set(CPACK_PACKAGE_VERSION 4.0.5)
set(CPACK_PACKAGE_CONTACT "Morvex team <team@morvex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time audiovisual show for X11")
# The extended description; cpack puts the summary above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Morvex is a 77-second demo: every 1280 x 720 frame is computed on the
processor, pixel by pixel, by some twenty effect modules that a fixed score
runs in step with the music; OpenGL only copies the finished frame to the
screen.

It plays fullscreen with a switch to a 1280 x 720 video mode, scaled to any
monitor in its own mode (morvex s), or in a window (morvex w). The package
also holds morvex-render, which draws the show headless and captures it with
its soundtrack as a video file (morvex-render --video show.mp4), and
morvex-view, which plays it from any moment with review keys.")
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)

add_test(NAME install COMMAND bash ${CMAKE_SOURCE_DIR}/tests/tools/install_test.sh ${CMAKE_BINARY_DIR})
set_tests_properties(install PROPERTIES TIMEOUT 300)
