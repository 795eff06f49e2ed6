# The ports: the show core with the headless hash runner, and under emscripten
# the browser edition. No X, GL, audio library, PNG or FreeType here, and no
# tests of their own: tools/check-ports.sh runs what is built against the
# pinned whole-show hashes; a cross build adds the raster suites.

include(${CMAKE_CURRENT_LIST_DIR}/hashes.cmake)

if(EMSCRIPTEN)
  # The wasm memory of the page and of the node run alike (the same core, the
  # same pictures). A whole show's heap peaks at about 230 MiB, all of it taken
  # during the set-up: the memory starts at 240 MiB, so it need not grow (a
  # browser may have to copy a growing memory, and growth by steps overshoots),
  # and may grow to MORVEX_WASM_MEMORY_MIB and no further ("Unable to
  # AllocImage!" beyond). morvex-hashes reports and checks the peak.
  set(MORVEX_WASM_MEMORY_MIB 256)
  math(EXPR MORVEX_WASM_MAXIMUM_BYTES "${MORVEX_WASM_MEMORY_MIB} * 1024 * 1024")
  set(MORVEX_WASM_MEMORY_FLAGS -sINITIAL_MEMORY=251658240 -sALLOW_MEMORY_GROWTH=1
      -sMAXIMUM_MEMORY=${MORVEX_WASM_MAXIMUM_BYTES})
  target_compile_definitions(morvex-hashes PRIVATE MORVEX_WASM_MEMORY_MIB=${MORVEX_WASM_MEMORY_MIB})
  # In node, with the real file system underneath (the pack is read in place).
  # Compiled synchronously from the file: this emscripten's asynchronous path
  # would try node's fetch on a file path.
  target_link_options(morvex-hashes PRIVATE -sENVIRONMENT=node -sNODERAWFS=1 ${MORVEX_WASM_MEMORY_FLAGS}
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
