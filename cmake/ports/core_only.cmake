# The ports: the show core with the headless hash runner, and under emscripten
# the browser edition. No X, GL, audio library, PNG or FreeType here, and no
# tests of their own: tools/check-ports.sh runs what is built against the
# pinned whole-show hashes; a cross build adds the raster suites.

include(${CMAKE_CURRENT_LIST_DIR}/hashes.cmake)

if(EMSCRIPTEN)
  # Every program is built twice: with the portable level (its usual name) and
  # with the WebAssembly SIMD kernels (name-simd); each takes its own raster
  # level objects and the same link options.
  function(morvex_wasm_modules target)
    get_target_property(sources ${target} SOURCES)
    get_target_property(options ${target} LINK_OPTIONS)
    add_executable(${target}-simd ${sources} $<TARGET_OBJECTS:morvex_raster_simd128>)
    target_sources(${target} PRIVATE $<TARGET_OBJECTS:morvex_raster_generic>)
    target_link_libraries(${target}-simd morvex_core)
    if(options)
      target_link_options(${target}-simd PRIVATE ${options})
    endif()
    foreach(property INCLUDE_DIRECTORIES COMPILE_DEFINITIONS RUNTIME_OUTPUT_DIRECTORY LINK_DEPENDS)
      get_target_property(value ${target} ${property})
      if(value)
        set_target_properties(${target}-simd PROPERTIES ${property} "${value}")
      endif()
    endforeach()
    get_target_property(name ${target} OUTPUT_NAME)
    if(name)
      set_target_properties(${target}-simd PROPERTIES OUTPUT_NAME ${name}-simd)
    endif()
  endfunction()

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
  set(MORVEX_NODE_LINK_OPTIONS -sENVIRONMENT=node -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sWASM_ASYNC_COMPILATION=0)
  target_link_options(morvex-hashes PRIVATE ${MORVEX_NODE_LINK_OPTIONS} ${MORVEX_WASM_MEMORY_FLAGS})
  # main starts once the collection that creating the memory starts is over
  # (tools/hashes/settle.js), as the page's show starts long after its module.
  set(MORVEX_HASHES_SETTLE ${CMAKE_SOURCE_DIR}/tools/hashes/settle.js)
  target_link_options(morvex-hashes PRIVATE "SHELL:--pre-js ${MORVEX_HASHES_SETTLE}")
  set_target_properties(morvex-hashes PROPERTIES LINK_DEPENDS ${MORVEX_HASHES_SETTLE})
  morvex_wasm_modules(morvex-hashes)
  include(${CMAKE_CURRENT_LIST_DIR}/web.cmake)
  include(${CMAKE_CURRENT_LIST_DIR}/raster_tests.cmake)
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
