# The ports: the show core with the headless hash runner, and under emscripten
# the browser edition. No X, GL, audio library, PNG or FreeType here, and no
# tests of their own: tools/check-ports.sh runs what is built against the
# pinned whole-show hashes.

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
    foreach(property INCLUDE_DIRECTORIES RUNTIME_OUTPUT_DIRECTORY LINK_DEPENDS)
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

  # In node, with the real file system underneath (the pack is read in place).
  # Compiled synchronously from the file: this emscripten's asynchronous path
  # would try node's fetch on a file path.
  set(MORVEX_NODE_LINK_OPTIONS -sENVIRONMENT=node -sNODERAWFS=1 -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1
    -sWASM_ASYNC_COMPILATION=0)
  target_link_options(morvex-hashes PRIVATE ${MORVEX_NODE_LINK_OPTIONS})
  morvex_wasm_modules(morvex-hashes)
  include(${CMAKE_CURRENT_LIST_DIR}/web.cmake)
  include(${CMAKE_CURRENT_LIST_DIR}/raster_tests.cmake)
elseif(CMAKE_CROSSCOMPILING)
  # One static file that qemu-user runs without a target sysroot.
  target_link_options(morvex-hashes PRIVATE -static)
endif()
