# The browser edition: the same core and driver (runShow) with the browser
# platform of src/web/. Everything a static file server needs lands in web/:
# morvex.html, wasm_choice.js, morvex.js and morvex.wasm (the portable level),
# morvex-simd.js and morvex-simd.wasm (WebAssembly SIMD; the page loads the one
# the browser runs); data.dat and kaz.mp3 come from the native build
# (tools/build-web.sh copies them beside).
set(MORVEX_WEB_DIR ${CMAKE_BINARY_DIR}/web)
add_executable(morvex-web src/web/web_main.cpp)
target_link_libraries(morvex-web morvex_core)
set_target_properties(morvex-web PROPERTIES OUTPUT_NAME morvex RUNTIME_OUTPUT_DIRECTORY ${MORVEX_WEB_DIR})
# The driver's loop stays a loop: at each present the browser gets control back
# through Asyncify until the next animation frame. Only the functions on the way
# from main to the present (and to the fade of the music) are instrumented, so
# the drawing code runs at full speed (the wasm is 141 KB instead of 198 KB).
target_link_options(morvex-web PRIVATE
  -sENVIRONMENT=web
  -sASYNCIFY=1
  "-sASYNCIFY_IMPORTS=['webWaitForFrame','webFadeOutMusic']"
  # Indirect calls (the platform hooks, the score's routines, the raster
  # kernels) are not taken to yield; the driver's own loop is named instead
  # (the optimizer may inline it into main: binaryen then warns that the
  # patterns match nothing, which is harmless).
  -sASYNCIFY_IGNORE_INDIRECT=1
  "-sASYNCIFY_ADD=['main','*runShow*','*runFrameLoop*','*runEndFade*']"
  -sALLOW_MEMORY_GROWTH=1
  -sINITIAL_MEMORY=134217728
  -sEXIT_RUNTIME=1
  -sINVOKE_RUN=0
  "-sEXPORTED_RUNTIME_METHODS=['callMain','FS']"
  --js-library ${CMAKE_SOURCE_DIR}/src/web/web_platform.js)
set_property(TARGET morvex-web APPEND PROPERTY LINK_DEPENDS ${CMAKE_SOURCE_DIR}/src/web/web_platform.js)
morvex_wasm_modules(morvex-web)

set(MORVEX_WEB_PAGE_FILES morvex.html wasm_choice.js)
set(page_outputs)
foreach(file ${MORVEX_WEB_PAGE_FILES})
  add_custom_command(OUTPUT ${MORVEX_WEB_DIR}/${file}
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_SOURCE_DIR}/src/web/${file} ${MORVEX_WEB_DIR}/${file}
    DEPENDS ${CMAKE_SOURCE_DIR}/src/web/${file}
    COMMENT "Copying ${file}"
    VERBATIM)
  list(APPEND page_outputs ${MORVEX_WEB_DIR}/${file})
endforeach()
add_custom_target(morvex-web-page ALL DEPENDS ${page_outputs})
