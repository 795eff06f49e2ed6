// The browser edition in a real browser: headless Chromium opens the page from a
// static server on 127.0.0.1, runs a few seconds of the show with real Web
// Audio timing and checks the canvas, a frame read back from it against the
// headless renderer's frame for the same DemoTimes, Escape, and the message for
// a missing data.dat. Chromium is driven through its DevTools protocol over a
// pipe (--remote-debugging-pipe), so nothing but node and chromium is needed.
//
// usage: node browser_check.js --web DIR --pack data.dat --music kaz.mp3
//                              --render morvex-render [--chromium PATH] [--seconds S]
//                              [--module simd|portable]
// Exit status 0 when every check holds, 1 otherwise, 77 when chromium is missing.
"use strict";
const http = require("http");
const fs = require("fs");
const os = require("os");
const path = require("path");
const { spawn } = require("child_process");

const args = {};
for (let i = 2; i < process.argv.length; i += 2) args[process.argv[i].replace(/^--/, "")] = process.argv[i + 1];
for (const need of ["web", "pack", "music", "render"]) {
  if (!args[need]) {
    console.error(`browser_check: --${need} is missing`);
    process.exit(1);
  }
}
for (const k of ["web", "pack", "music", "render"]) args[k] = path.resolve(args[k]);
const showSeconds = Number(args.seconds || 4);
// --module portable runs the show on the portable module (?nosimd) to compare its figures.
const portableRun = args.module === "portable";
const seed = 7;

function findChromium() {
  for (const c of [args.chromium, "/usr/bin/chromium", "/usr/bin/chromium-browser"]) {
    if (c && fs.existsSync(c)) return c;
  }
  return null;
}

// ---- the static server: the page's folder, with data.dat and kaz.mp3 beside it;
// under /nodata/ the same folder without data.dat, under /badpack/ with only the
// first 100 bytes of data.dat.
const Types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm" };
function serve(request, response) {
  let url = decodeURIComponent(request.url.split("?")[0]);
  let withPack = true, truncated = false;
  if (url.startsWith("/nodata/")) {
    withPack = false;
    url = url.slice("/nodata".length);
  } else if (url.startsWith("/badpack/")) {
    truncated = true;
    url = url.slice("/badpack".length);
  }
  const name = path.posix.basename(url);
  let file = null;
  if (name === "data.dat") file = withPack ? args.pack : null;
  else if (name === "kaz.mp3") file = args.music;
  else if (["morvex.html", "wasm_choice.js", "morvex.js", "morvex.wasm", "morvex-simd.js", "morvex-simd.wasm"].includes(name)) file = path.join(args.web, name);
  if (!file || !fs.existsSync(file)) {
    response.writeHead(404, { "Content-Type": "text/plain" });
    response.end("not found");
    return;
  }
  response.writeHead(200, { "Content-Type": Types[path.extname(name)] || "application/octet-stream" });
  if (truncated && name === "data.dat") response.end(fs.readFileSync(file).subarray(0, 100));
  else fs.createReadStream(file).pipe(response);
}

// ---- the DevTools protocol over the pipe: NUL-terminated JSON messages.
class Browser {
  constructor(executable) {
    this.profile = fs.mkdtempSync(path.join(os.tmpdir(), "morvex-chromium-"));
    const flags = [
      "--headless", "--remote-debugging-pipe", "--log-level=3", "--no-first-run", "--no-default-browser-check",
      "--autoplay-policy=no-user-gesture-required", "--disable-gpu", "--disable-extensions",
      "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
      "--disable-backgrounding-occluded-windows", "--window-size=1400,900",
      `--user-data-dir=${this.profile}`, "about:blank",
    ];
    // Chromium's sandbox cannot start for root (CI runs as root).
    if (process.getuid && process.getuid() === 0) flags.unshift("--no-sandbox");
    this.process = spawn(executable, flags, { stdio: ["ignore", "ignore", "pipe", "pipe", "pipe"] });
    this.stderr = "";
    this.process.stderr.on("data", (d) => { this.stderr = (this.stderr + d).slice(-4000); });
    this.nextId = 1;
    this.pending = new Map();
    this.listeners = [];
    let buffer = "";
    this.process.stdio[4].on("data", (chunk) => {
      buffer += chunk.toString("utf8");
      let end;
      while ((end = buffer.indexOf("\0")) >= 0) {
        const message = JSON.parse(buffer.slice(0, end));
        buffer = buffer.slice(end + 1);
        if (message.id && this.pending.has(message.id)) {
          const { resolve, reject, method } = this.pending.get(message.id);
          this.pending.delete(message.id);
          if (message.error) reject(new Error(`${method}: ${message.error.message}`));
          else resolve(message.result);
        } else {
          for (const l of this.listeners) l(message);
        }
      }
    });
    this.exited = new Promise((resolve) => this.process.on("exit", resolve));
  }
  send(method, params = {}, sessionId) {
    const id = this.nextId++;
    const message = { id, method, params };
    if (sessionId) message.sessionId = sessionId;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, method });
      this.process.stdio[3].write(JSON.stringify(message) + "\0");
    });
  }
  async close() {
    try {
      await Promise.race([this.send("Browser.close"), sleep(3000)]);
    } catch (e) { /* already gone */ }
    const gone = await Promise.race([this.exited.then(() => true), sleep(3000).then(() => false)]);
    if (!gone) this.process.kill("SIGKILL");
    fs.rmSync(this.profile, { recursive: true, force: true });
  }
}

function sleep(ms) { return new Promise((r) => setTimeout(r, ms)); }

class Page {
  constructor(browser, sessionId) { this.browser = browser; this.sessionId = sessionId; }
  send(method, params) { return this.browser.send(method, params, this.sessionId); }
  async eval(expression) {
    const r = await this.send("Runtime.evaluate", { expression, returnByValue: true, awaitPromise: true, userGesture: true });
    if (r.exceptionDetails) throw new Error(`page: ${r.exceptionDetails.exception ? r.exceptionDetails.exception.description : r.exceptionDetails.text}`);
    return r.result.value;
  }
  async waitFor(expression, seconds, what) {
    const until = Date.now() + seconds * 1000;
    for (;;) {
      const v = await this.eval(expression);
      if (v) return v;
      if (Date.now() > until) {
        const state = await this.eval("JSON.stringify({state: morvexPage.state, message: morvexPage.message})");
        throw new Error(`timed out after ${seconds} s waiting for ${what} (page: ${state})`);
      }
      await sleep(50);
    }
  }
}

async function openPage(browser, url) {
  const { targetId } = await browser.send("Target.createTarget", { url: "about:blank" });
  const { sessionId } = await browser.send("Target.attachToTarget", { targetId, flatten: true });
  const page = new Page(browser, sessionId);
  await page.send("Runtime.enable");
  await page.send("Page.enable");
  await page.send("Page.navigate", { url });
  return page;
}

// The renderer's frame for the page's sequence of DemoTimes: the last frame of
// morvex-render --times, raw BGRA, kept from the stream as it goes by.
function rendererFrame(times) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), "morvex-browser-"));
  const timesFile = path.join(dir, "times.txt");
  fs.writeFileSync(timesFile, times.join("\n") + "\n");
  const frameBytes = 1280 * 720 * 4;
  return new Promise((resolve, reject) => {
    const child = spawn(args.render, ["--pack", args.pack, "--times", timesFile, "--seed", String(seed), "--raw", "-", "--quiet"],
                        { cwd: dir, stdio: ["ignore", "pipe", "pipe"] });
    let chunks = [], kept = 0, total = 0, stderr = "";
    child.stdout.on("data", (chunk) => {
      chunks.push(chunk);
      kept += chunk.length;
      total += chunk.length;
      while (kept - chunks[0].length >= frameBytes) kept -= chunks.shift().length;
    });
    child.stderr.on("data", (d) => { stderr += d; });
    child.on("close", (status) => {
      fs.rmSync(dir, { recursive: true, force: true });
      if (status !== 0) return reject(new Error(`morvex-render failed (${status}): ${stderr}`));
      if (total !== frameBytes * times.length) {
        return reject(new Error(`morvex-render gave ${total / frameBytes} frames for ${times.length} DemoTimes`));
      }
      const all = Buffer.concat(chunks);
      resolve(all.subarray(all.length - frameBytes));
    });
  });
}

function percentile(v, p) {
  const s = [...v].sort((a, b) => a - b);
  return s.length ? s[Math.min(s.length - 1, Math.floor(s.length * p))] : 0;
}

function median(v) {
  const s = [...v].sort((a, b) => a - b);
  return s.length ? (s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2) : 0;
}

async function main() {
  const chromium = findChromium();
  if (!chromium) {
    console.log("browser_check: skipped, chromium is not installed");
    process.exit(77);
  }
  const server = http.createServer(serve);
  await new Promise((r) => server.listen(0, "127.0.0.1", r));
  const base = `http://127.0.0.1:${server.address().port}`;
  const browser = new Browser(chromium);
  const failures = [];
  const check = (ok, text) => {
    console.log(`${ok ? "ok  " : "FAIL"} ${text}`);
    if (!ok) failures.push(text);
  };
  try {
    await browser.send("Target.setDiscoverTargets", { discover: false });
    const page = await openPage(browser, `${base}/morvex.html?seed=${seed}${portableRun ? "&nosimd" : ""}`);
    const t0 = Date.now();
    await page.waitFor("window.morvexPage && morvexPage.state !== 'loading' && morvexPage.state", 60, "the page to load");
    check(await page.eval("morvexPage.state") === "ready", `the page loads the pack and the music (${(Date.now() - t0) / 1000} s): ${await page.eval("morvexPage.message")}`);
    const module = await page.eval("morvexPage.module");
    check(module === (portableRun ? "morvex.js" : "morvex-simd.js"),
          `a browser with WebAssembly SIMD gets the ${portableRun ? "portable module when asked" : "SIMD module"} (${module})`);
    const size = await page.eval("[document.getElementById('screen').width, document.getElementById('screen').height]");
    check(size[0] === 1280 && size[1] === 720, `the canvas is 1280 x 720 (${size[0]} x ${size[1]})`);
    // In a 1400 x 900 window the picture fits once: shown at 1 x, no smoothing.
    const shown = await page.eval("(function () { var c = document.getElementById('screen'); " +
                                  "return [c.style.width, c.style.height, getComputedStyle(c).imageRendering]; })()");
    check(shown[0] === "1280px" && shown[1] === "720px" && shown[2] === "pixelated",
          `the picture is shown at a whole scale without smoothing (${shown.join(", ")})`);

    await page.eval("document.getElementById('start').click()");
    await page.waitFor("morvexPage.presents > 0", 30, "the first frame");
    const wallStart = Date.now();
    await sleep(showSeconds * 1000);
    await page.eval("morvexPage.captureWanted = true");
    await page.waitFor("morvexPage.captured !== null", 10, "a captured frame");
    const wallSeconds = (Date.now() - wallStart) / 1000;
    const capture = await page.eval(`(function () {
      var c = morvexPage.captured, rgb = new Uint8Array(1280 * 720 * 3);
      for (var i = 0, j = 0; i < c.pixels.length; i += 4, j += 3) { rgb[j] = c.pixels[i]; rgb[j + 1] = c.pixels[i + 1]; rgb[j + 2] = c.pixels[i + 2]; }
      var s = "";
      for (var k = 0; k < rgb.length; k += 32768) s += String.fromCharCode.apply(null, rgb.subarray(k, k + 32768));
      return { demoTime: c.demoTime, frame: c.frame, times: c.times, rgb: btoa(s) };
    })()`);
    const presentAt = await page.eval("Array.prototype.slice.call(morvexPage.presentAt, 0, Math.min(morvexPage.presents, morvexPage.presentAt.length))");
    const drawMs = await page.eval("Array.prototype.slice.call(morvexPage.drawMs, 1, Math.min(morvexPage.presents, morvexPage.drawMs.length))");

    // Figures: frame rate, and the clock against the wall clock.
    const times = capture.times;
    const steps = times.slice(1).map((t, i) => t - times[i]);
    const intervals = presentAt.slice(1).map((t, i) => t - presentAt[i]);
    const backwards = steps.filter((s) => s < 0).length;
    const spanMs = presentAt[times.length - 1] - presentAt[0];
    console.log(`figures: ${times.length} frames in ${(spanMs / 1000).toFixed(2)} s of wall time: ` +
                `${(1000 * (times.length - 1) / spanMs).toFixed(1)} frames/s (median present interval ${median(intervals).toFixed(1)} ms, ` +
                `worst ${Math.max(...intervals).toFixed(1)} ms); drawing a frame in the page takes ` +
                `${median(drawMs).toFixed(1)} ms (median, p99 ${percentile(drawMs, 0.99).toFixed(1)} ms, worst ${Math.max(...drawMs).toFixed(1)} ms) with ${module}`);
    console.log(`figures: DemoTime ${times[0]} -> ${times[times.length - 1]} ms over those frames (clock/wall ${((times[times.length - 1] - times[0]) / spanMs).toFixed(4)}); ` +
                `DemoTime steps: median ${median(steps)} ms, smallest ${Math.min(...steps)}, largest ${Math.max(...steps)}; ` +
                `${steps.filter((s) => s === 0).length} repeated, ${backwards} backwards`);
    const counts = new Map();
    for (const st of steps) counts.set(st, (counts.get(st) || 0) + 1);
    const common = [...counts.entries()].sort((a, b) => b[1] - a[1]).slice(0, 6);
    console.log(`figures: most common DemoTime steps (ms x frames): ${common.map(([v, n]) => `${v} x ${n}`).join(", ")}`);
    check(backwards === 0, "DemoTime never goes backwards within the pass");
    check(times[times.length - 1] > 500 && capture.demoTime < 73000, `the music clock runs (DemoTime ${capture.demoTime} after about ${wallSeconds.toFixed(1)} s)`);

    const want = await rendererFrame(times);
    const got = Buffer.from(capture.rgb, "base64");
    let differing = 0, first = -1;
    for (let p = 0, q = 0; q < got.length; p += 4, q += 3) {
      if (got[q] !== want[p + 2] || got[q + 1] !== want[p + 1] || got[q + 2] !== want[p]) {
        if (first < 0) first = q / 3;
        ++differing;
      }
    }
    check(differing === 0, `frame ${capture.frame} (DemoTime ${capture.demoTime}) read back from the canvas equals the renderer's frame` +
                           (differing ? `: ${differing} pixels differ, the first at x ${first % 1280}, y ${Math.floor(first / 1280)}` : ""));

    // The space bar held: the same picture again and again, DemoTime standing
    // still while the music runs on; released, the clock jumps ahead.
    const space = { key: " ", code: "Space", windowsVirtualKeyCode: 32, nativeVirtualKeyCode: 32 };
    await page.send("Input.dispatchKeyEvent", { type: "rawKeyDown", ...space });
    await sleep(300);
    const held = await page.eval("({presents: morvexPage.presents, demoTime: morvexPage.demoTime})");
    await sleep(700);
    const still = await page.eval("({presents: morvexPage.presents, demoTime: morvexPage.demoTime})");
    await page.send("Input.dispatchKeyEvent", { type: "keyUp", ...space });
    await sleep(300);
    const released = await page.eval("morvexPage.demoTime");
    check(still.demoTime === held.demoTime && still.presents > held.presents && released >= held.demoTime + 700,
          `the space bar holds the picture (DemoTime ${held.demoTime} over ${still.presents - held.presents} presents, ` +
          `${released} after release)`);

    // Escape, held until the show has seen it, ends the show at once.
    const key = { key: "Escape", code: "Escape", windowsVirtualKeyCode: 27, nativeVirtualKeyCode: 27 };
    const presentsBefore = await page.eval("morvexPage.presents");
    await page.send("Input.dispatchKeyEvent", { type: "rawKeyDown", ...key });
    await page.waitFor("morvexPage.state === 'ended' || morvexPage.state === 'error'", 10, "the show to end on Escape");
    await page.send("Input.dispatchKeyEvent", { type: "keyUp", ...key });
    const end = await page.eval("({state: morvexPage.state, exitStatus: morvexPage.exitStatus, presents: morvexPage.presents, fading: morvexPage.fading, demoTime: morvexPage.demoTime, message: morvexPage.message})");
    check(end.state === "ended" && end.exitStatus === 0 && !end.fading && end.demoTime < 73000,
          `Escape ends the show without the end fade (${end.presents - presentsBefore} more frames, status ${end.exitStatus}): ${end.message}`);
    await sleep(300);
    check(await page.eval("morvexPage.presents") === end.presents, "no frame is presented after the end");

    // The page without data.dat says so.
    const missing = await openPage(browser, `${base}/nodata/morvex.html`);
    await missing.waitFor("window.morvexPage && morvexPage.state !== 'loading' && morvexPage.state", 60, "the page to load");
    const message = await missing.eval("morvexPage.state + ': ' + document.getElementById('status').textContent");
    check(message.startsWith("error: Missing file: data.dat (HTTP 404)"), `a missing data.dat is reported in the page (${message})`);
    check(await missing.eval("document.getElementById('start').hidden") === true, "and the start button stays hidden");

    // A browser without Web Audio is told why the show cannot run.
    const { targetId } = await browser.send("Target.createTarget", { url: "about:blank" });
    const { sessionId } = await browser.send("Target.attachToTarget", { targetId, flatten: true });
    const bare = new Page(browser, sessionId);
    await bare.send("Page.enable");
    await bare.send("Page.addScriptToEvaluateOnNewDocument",
                    { source: "delete window.AudioContext; delete window.webkitAudioContext;" });
    await bare.send("Page.navigate", { url: `${base}/morvex.html` });
    await bare.waitFor("window.morvexPage && morvexPage.state !== 'loading' && morvexPage.state", 30, "the page to load");
    const noAudio = await bare.eval("morvexPage.state + ': ' + document.getElementById('status').textContent");
    check(noAudio === "error: This browser has no Web Audio, which the show needs for its music and its clock.",
          `a browser without Web Audio is told so (${noAudio})`);

    // A damaged pack stops the show with the pack reader's own message.
    const damaged = await openPage(browser, `${base}/badpack/morvex.html`);
    await damaged.waitFor("window.morvexPage && morvexPage.state === 'ready'", 60, "the page to load");
    await damaged.eval("document.getElementById('start').click()");
    await damaged.waitFor("morvexPage.state === 'error'", 30, "the show to stop");
    const stopped = await damaged.eval("({text: document.getElementById('status').textContent, status: morvexPage.exitStatus})");
    check(stopped.text === "The show stopped: Error reading file minus.img" && stopped.status === 1,
          `a damaged data.dat stops the show with the reader's message, status 1 (${stopped.text})`);

    // A browser that refuses SIMD (its validator made to say no) gets the portable module and runs.
    for (const [how, url, script] of [["refuses SIMD", `${base}/morvex.html`, "WebAssembly.validate = function () { return false; };"],
                                      ["asks ?nosimd", `${base}/morvex.html?nosimd`, ""]]) {
      const t = await browser.send("Target.createTarget", { url: "about:blank" });
      const a = await browser.send("Target.attachToTarget", { targetId: t.targetId, flatten: true });
      const p = new Page(browser, a.sessionId);
      await p.send("Page.enable");
      if (script) await p.send("Page.addScriptToEvaluateOnNewDocument", { source: script });
      await p.send("Page.navigate", { url });
      await p.waitFor("window.morvexPage && morvexPage.state !== 'loading' && morvexPage.state", 60, "the page to load");
      const got = await p.eval("[morvexPage.module, morvexPage.state]");
      check(got[0] === "morvex.js" && got[1] === "ready", `a page that ${how} loads the portable module (${got.join(", ")})`);
    }
  } catch (e) {
    check(false, e.message);
    if (browser.stderr) console.log(`chromium said:\n${browser.stderr}`);
  } finally {
    await browser.close();
    server.close();
  }
  if (failures.length) {
    console.log(`browser_check: ${failures.length} check(s) failed`);
    process.exit(1);
  }
  console.log("browser_check: all checks passed");
}

main();
