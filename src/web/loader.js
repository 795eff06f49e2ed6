// Loading: the program, the pack and the music, fetched with progress in bytes.
// What is fetched and how big it is stands in files.js (written by
// tools/build-web.sh). Where a compressed copy is listed the page fetches it and
// unpacks it itself (DecompressionStream) unless the server already did. Each
// file is checked for what it must be as it arrives, so a wrong file is named
// before the page offers Start.
import { PageFiles } from "./files.js";

const Folder = "The page needs the files tools/build-web.sh puts in build-web/web/ beside it.";

export class LoadError extends Error {}

export function listedFile(name) {
  const file = PageFiles.find((f) => f.name === name);
  if (!file) throw new LoadError(`${name} is not among the page's files (files.js). ${Folder}`);
  return file;
}

// The bytes a download is expected to bring, for the progress line.
export function expectedBytes(names) {
  return names.reduce((sum, name) => {
    const f = listedFile(name);
    return sum + (f.gzip && canUnpack() ? f.gzipBytes : f.bytes);
  }, 0);
}

function canUnpack() { return typeof DecompressionStream === "function"; }

async function download(url, onBytes) {
  let response;
  try {
    response = await fetch(url);
  } catch (error) {
    throw new LoadError(`Cannot load ${url}: ${error.message}. Check the connection and reload the page.`);
  }
  if (!response.ok) return { status: response.status };
  const chunks = [];
  let length = 0;
  const reader = response.body.getReader();
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    chunks.push(value);
    length += value.length;
    onBytes(value.length);
  }
  const bytes = new Uint8Array(length);
  let at = 0;
  for (const c of chunks) { bytes.set(c, at); at += c.length; }
  return { status: response.status, bytes, type: response.headers.get("Content-Type") };
}

const isGzip = (b) => b.length > 2 && b[0] === 0x1f && b[1] === 0x8b && b[2] === 8;

async function gunzip(bytes, url) {
  try {
    const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("gzip"));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  } catch (error) {
    throw new LoadError(`${url} is damaged: it cannot be unpacked (${error.message}). ${Folder}`);
  }
}

// The file's bytes, its URL and the content type the server gave. onBytes(n)
// counts what arrives; onPlain(extra) says a listed compressed copy was missing
// and the file itself comes instead (extra: the bytes more to expect).
export async function fetchFile(name, onBytes, onPlain) {
  const file = listedFile(name);
  if (file.gzip && canUnpack()) {
    const packed = await download(file.gzip, onBytes);
    if (packed.bytes) {
      const bytes = isGzip(packed.bytes) ? await gunzip(packed.bytes, file.gzip) : packed.bytes;
      return { name, url: file.gzip, type: packed.type, bytes };
    }
    onPlain(file.bytes - file.gzipBytes);
  }
  const plain = await download(file.name, onBytes);
  if (!plain.bytes) throw new LoadError(`Missing file: ${name} (HTTP ${plain.status}). ${Folder}`);
  return { name, url: file.name, type: plain.type, bytes: plain.bytes };
}

// "text/html, starting "<!DOCTYPE html>..."": what arrived, in words.
export function describeReceived(got) {
  const head = Array.from(got.bytes.subarray(0, 24), (b) => (b >= 0x20 && b < 0x7f ? String.fromCharCode(b) : "."))
    .join("");
  const type = got.type ? `content type ${got.type}` : "no content type";
  return `${got.bytes.length} bytes, ${type}, starting "${head}${got.bytes.length > 24 ? "..." : ""}"`;
}

// The pack is a chain of entries (name length, name, 32-bit size, data); the
// first one must be a file name ("minus.img"), which a web page, an error text
// or a JSON answer in its place is not. A pack cut short further on is left to
// the program's own reader, which names the entry.
export function checkPack(got) {
  const b = got.bytes;
  const n = b.length ? b[0] : 0;
  let ok = n > 0 && b.length >= 1 + n + 4;
  for (let i = 1; ok && i <= n; ++i) ok = /[A-Za-z0-9._-]/.test(String.fromCharCode(b[i]));
  if (!ok) {
    throw new LoadError(`${got.name} is not the show's asset pack: the server sent ${describeReceived(got)}. ` +
                        `Put the data.dat made by the build in the page's folder.`);
  }
}

// MP3 audio starts with an ID3 tag or an MPEG audio frame's sync bits.
export function checkMusic(got) {
  const b = got.bytes;
  const id3 = b.length > 3 && b[0] === 0x49 && b[1] === 0x44 && b[2] === 0x33;
  const frame = b.length > 2 && b[0] === 0xff && (b[1] & 0xe0) === 0xe0;
  if (!id3 && !frame) {
    throw new LoadError(`${got.name} is not MP3 audio: the server sent ${describeReceived(got)}. ` +
                        `Put the kaz.mp3 made by the build in the page's folder.`);
  }
}

// The program's script: run from the bytes fetched (a blob URL), so it is
// counted and unpacked like every other file. Resolves to its factory.
export async function loadScript(got) {
  const url = URL.createObjectURL(new Blob([got.bytes], { type: "text/javascript" }));
  try {
    await new Promise((resolve, reject) => {
      const script = document.createElement("script");
      script.src = url;
      script.onload = resolve;
      script.onerror = () => reject(new LoadError(`${got.name} cannot be run: the server sent ${describeReceived(got)}. ${Folder}`));
      document.head.appendChild(script);
    });
  } finally {
    URL.revokeObjectURL(url);
  }
  if (typeof window.createMorvex !== "function") {
    throw new LoadError(`${got.name} is not the show's program: the server sent ${describeReceived(got)}. ${Folder}`);
  }
  return window.createMorvex;
}

export async function compileProgram(got) {
  try {
    return await WebAssembly.compile(got.bytes);
  } catch (error) {
    throw new LoadError(`${got.name} is not the show's program (${error.message}): the server sent ${describeReceived(got)}. ${Folder}`);
  }
}
