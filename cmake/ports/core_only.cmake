# The ports: the show core with the headless hash runner, and under emscripten
# the browser edition. No X, GL, audio library, PNG or FreeType here, and no
# tests of their own: tools/check-ports.sh runs what is built against the
# pinned whole-show hashes; a cross build adds the raster suites.

include(${CMAKE_CURRENT_LIST_DIR}/hashes.cmake)

if(EMSCRIPTEN)
  # In node, with the real file system underneath (the pack is read in place).
  # Compiled synchronously from the file: this emscripten's asynchronous path
  # would try node's fetch on a file path.
  target_link_options(morvex-hashes PRIVATE -sENVIRONMENT=node -sNODERAWFS=1 -sALLOW_MEMORY_GROWTH=1
                      -sEXIT_RUNTIME=1 -sWASM_ASYNC_COMPILATION=0)
  include(${CMAKE_CURRENT_LIST_DIR}/web.cmake)
elseif(CMAKE_CROSSCOMPILING)
  # One static file that qemu-user runs without a target sysroot.
  target_link_options(morvex-hashes PRIVATE -static)
  include(${CMAKE_CURRENT_LIST_DIR}/raster_tests.cmake)
  # The whole program too where the target's X11, GL, OpenAL Soft and
  # libmpg123 are installed (Debian multiarch: the :arm64 -dev packages that
  # tools/ports-aarch64-packages.sh installs); it links them dynamically and
  # runs under qemu-user with the target's libraries of the multiarch tree.
  find_package(PkgConfig)
  if(PKG_CONFIG_FOUND)
    pkg_check_modules(PORT_PROGRAM_LIBS QUIET x11 xxf86vm xscrnsaver gl glx openal libmpg123)
  endif()
  if(PORT_PROGRAM_LIBS_FOUND)
    include(${CMAKE_SOURCE_DIR}/cmake/program.cmake)
  endif()
endif()
