// Which build of the show this browser runs: the WebAssembly SIMD module where
// the browser validates a SIMD instruction, the portable one elsewhere.
// "?nosimd" in the page's address forces the portable module (to compare the
// two, and for the test of the fallback).

// (func (result v128) i32.const 0 i8x16.splat): valid only where SIMD is.
const SimdProbe = new Uint8Array([
  0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00, // magic, version
  0x01, 0x05, 0x01, 0x60, 0x00, 0x01, 0x7b, // type: () -> v128
  0x03, 0x02, 0x01, 0x00, // one function of that type
  0x0a, 0x08, 0x01, 0x06, 0x00, 0x41, 0x00, 0xfd, 0x0f, 0x0b, // its body
]);

export const SimdModule = "morvex-simd.js";
export const PortableModule = "morvex.js";

export function simdSupported() {
  try {
    return typeof WebAssembly === "object" && WebAssembly.validate(SimdProbe);
  } catch (e) {
    return false;
  }
}

// The script to load: SimdModule or PortableModule. search is the page's query
// string (location.search in a page).
export async function chooseModule(search = globalThis.location ? globalThis.location.search : "") {
  if (new URLSearchParams(search).has("nosimd")) return PortableModule;
  return simdSupported() ? SimdModule : PortableModule;
}
