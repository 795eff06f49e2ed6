# The browser edition: the same core and driver (runShow) with the browser
# platform of src/web/. The program lands in web/ twice: morvex.js and
# morvex.wasm (the portable level), morvex-simd.js and morvex-simd.wasm
# (WebAssembly SIMD; the page loads the one the browser runs, wasm_choice.js).
# tools/build-web.sh lays the page out beside them (the HTML, its modules and
# stylesheet, the title picture, data.dat and kaz.mp3 with compressed copies).
set(MORVEX_WEB_DIR ${CMAKE_BINARY_DIR}/web)

# Every module of the page is linked with these flags, so a second build of the
# program (another instruction set) behaves the same towards the page:
#   morvex_web_module(TARGET OUTPUT_NAME [extra link options...])
function(morvex_web_module target output)
  add_executable(${target} ${CMAKE_SOURCE_DIR}/src/web/web_main.cpp)
  target_link_libraries(${target} morvex_core)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output} RUNTIME_OUTPUT_DIRECTORY ${MORVEX_WEB_DIR})
  # The driver's loop stays a loop: at each present the browser gets control
  # back through Asyncify until the next animation frame. Only the functions on
  # the way from main to the present (and to the fade of the music) are
  # instrumented, so the drawing code runs at full speed.
  target_link_options(${target} PRIVATE
    -sENVIRONMENT=web
    -sASYNCIFY=1
    "-sASYNCIFY_IMPORTS=['webWaitForFrame','webFadeOutMusic']"
    # Indirect calls (the platform hooks, the score's routines, the raster
    # kernels) are not taken to yield; the driver's own loop is named instead
    # (the optimizer may inline it into main: binaryen then warns that the
    # patterns match nothing, which is harmless).
    -sASYNCIFY_IGNORE_INDIRECT=1
    "-sASYNCIFY_ADD=['main','*runShow*','*runFrameLoop*','*runEndFade*']"
    ${MORVEX_WASM_MEMORY_FLAGS}
    -sEXIT_RUNTIME=1
    -sINVOKE_RUN=0
    # A factory (createMorvex) instead of one global Module: every showing,
    # a replay included, runs in a fresh instance of the compiled module the
    # page keeps, so nothing is fetched again.
    -sMODULARIZE=1
    -sEXPORT_NAME=createMorvex
    "-sEXPORTED_RUNTIME_METHODS=['callMain','FS']"
    --js-library ${CMAKE_SOURCE_DIR}/src/web/web_platform.js
    ${ARGN})
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/src/web/web_platform.js)
endfunction()

morvex_web_module(morvex-web morvex)
morvex_wasm_modules(morvex-web)
