// The browser edition in a real browser: headless Chromium opens the page from a
// static server on 127.0.0.1, runs a few seconds of the show with real Web
// Audio timing and checks the canvas, a frame read back from it against the
// headless renderer's frame for the same DemoTimes, Escape, the console,
// the bytes of a first visit, the picture's scale at device pixel ratio 1.5, a
// phone's touch controls (hold, Stop, Replay, a quick Escape) and the messages
// for missing and wrong files; it prints the page's figures (frame rate, draw
// time, long tasks, bytes, time to Start). Chromium is driven through its DevTools protocol over a
// pipe (--remote-debugging-pipe), so nothing but node and chromium is needed.
//
// usage: node browser_check.js --web DIR --pack data.dat --music kaz.mp3
//                              --render morvex-render [--chromium PATH] [--seconds S]
//                              [--present webgl]   (frames through WebGL instead of putImageData)
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
// Six seconds reach the title words (from 5.2 s): frames that change a part of
// the canvas only, so the frame read back covers the rows a present leaves alone.
const showSeconds = Number(args.seconds || 6);
// --module portable runs the show on the portable module (?nosimd) to compare its figures.
const portableRun = args.module === "portable";
const seed = 7;

function findChromium() {
  for (const c of [args.chromium, "/usr/bin/chromium", "/usr/bin/chromium-browser"]) {
    if (c && fs.existsSync(c)) return c;
  }
  return null;
}

// ---- the static server: the page's folder, with data.dat and kaz.mp3 beside
// it. Under /nodata/ the same folder without data.dat (nor its compressed copy),
// under /badpack/ with only the first 100 bytes of data.dat, under /htmlpack/
// and /htmlmusic/ with a web page answering (status 200) for data.dat or
// kaz.mp3, as a misconfigured server would.
const Types = { ".html": "text/html", ".js": "text/javascript", ".wasm": "application/wasm", ".css": "text/css",
                ".png": "image/png", ".gz": "application/gzip", ".mp3": "audio/mpeg" };
const HtmlPage = "<!DOCTYPE html>\n<html><head><title>Not here</title></head><body>Moved</body></html>\n";
function serve(request, response) {
  let url = decodeURIComponent(request.url.split("?")[0]);
  const variant = (url.match(/^\/(nodata|badpack|htmlpack|htmlmusic)\//) || [])[1] || "";
  if (variant) url = url.slice(variant.length + 1);
  const name = path.posix.basename(url);
  const isPack = name === "data.dat" || name === "data.dat.gz";
  if ((variant === "htmlpack" && isPack) || (variant === "htmlmusic" && name === "kaz.mp3")) {
    response.writeHead(200, { "Content-Type": "text/html; charset=utf-8" });
    response.end(HtmlPage);
    return;
  }
  let file = path.join(args.web, name);
  if (name === "data.dat") file = args.pack;
  else if (name === "kaz.mp3") file = args.music;
  if ((variant === "nodata" && isPack) || (variant === "badpack" && name === "data.dat.gz")) file = null;
  if (!file || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
    response.writeHead(404, { "Content-Type": "text/plain" });
    response.end("not found");
    return;
  }
  response.writeHead(200, { "Content-Type": Types[path.extname(name)] || "application/octet-stream" });
  if (variant === "badpack" && name === "data.dat") response.end(fs.readFileSync(file).subarray(0, 100));
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
  constructor(browser, sessionId) {
    this.browser = browser;
    this.sessionId = sessionId;
    this.errors = [];         // console errors and uncaught exceptions
    this.bytesFetched = 0;    // encodedDataLength of every finished request
    browser.listeners.push((m) => {
      if (m.sessionId !== sessionId) return;
      const p = m.params;
      if (m.method === "Runtime.consoleAPICalled" && p.type === "error") {
        this.errors.push(`console.error: ${p.args.map((a) => a.value !== undefined ? a.value : a.description).join(" ")}`);
      } else if (m.method === "Runtime.exceptionThrown") {
        const d = p.exceptionDetails;
        this.errors.push(`uncaught: ${d.exception ? d.exception.description || d.exception.value : d.text}`);
      } else if (m.method === "Log.entryAdded" && p.entry.level === "error") {
        this.errors.push(`log: ${p.entry.text}${p.entry.url ? " (" + p.entry.url + ")" : ""}`);
      } else if (m.method === "Network.loadingFinished") {
        this.bytesFetched += p.encodedDataLength;
      }
    });
  }
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
  waitLoaded() {
    return this.waitFor("window.morvexPage && morvexPage.state !== 'loading' && morvexPage.state", 60, "the page to load");
  }
  // The centre of the button with this accessible name (its text or aria-label), in CSS pixels.
  buttonAt(name) {
    return this.eval(`(function () {
      var b = Array.prototype.find.call(document.querySelectorAll("button"), function (b) {
        return (b.getAttribute("aria-label") || b.textContent).trim() === ${JSON.stringify(name)};
      });
      if (!b || b.hidden || b.disabled || getComputedStyle(b).visibility === "hidden") return null;
      var r = b.getBoundingClientRect();
      return { x: r.left + r.width / 2, y: r.top + r.height / 2 };
    })()`);
  }
  async touch(type, point) {
    await this.send("Input.dispatchTouchEvent", { type, touchPoints: type === "touchEnd" ? [] : [{ x: point.x, y: point.y }] });
  }
  async tap(point) {
    await this.touch("touchStart", point);
    await this.touch("touchEnd", point);
  }
  async tapButton(name) {
    const at = await this.buttonAt(name);
    if (!at) throw new Error(`no visible button named ${name}`);
    await this.tap(at);
  }
  close() { return this.browser.send("Target.closeTarget", { targetId: this.targetId }); }
}

// A tab; metrics: Emulation.setDeviceMetricsOverride's (and touch: true for a phone).
async function openPage(browser, url, metrics) {
  const { targetId } = await browser.send("Target.createTarget", { url: "about:blank" });
  const { sessionId } = await browser.send("Target.attachToTarget", { targetId, flatten: true });
  const page = new Page(browser, sessionId);
  page.targetId = targetId;
  await page.send("Runtime.enable");
  await page.send("Page.enable");
  await page.send("Log.enable");
  await page.send("Network.enable");
  await page.send("Network.setCacheDisabled", { cacheDisabled: true });
  if (metrics) {
    const { touch, ...m } = metrics;
    await page.send("Emulation.setDeviceMetricsOverride", m);
    if (touch) await page.send("Emulation.setTouchEmulationEnabled", { enabled: true, maxTouchPoints: 5 });
  }
  // Long tasks, for the figures.
  await page.send("Page.addScriptToEvaluateOnNewDocument", { source:
    "window.longTasks = []; try { new PerformanceObserver(function (l) { l.getEntries().forEach(function (e) { longTasks.push([e.startTime, e.duration]); }); })" +
    ".observe({ type: 'longtask', buffered: true }); } catch (e) {}" });
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
  return s.length ? s[Math.min(s.length - 1, Math.floor(p * s.length))] : 0;
}

function median(v) {
  const s = [...v].sort((a, b) => a - b);
  return s.length ? (s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2) : 0;
}

// What morvex-render --what lists at DemoTime t: the rows' numbers and routines.
function whatAt(t) {
  const out = require("child_process").execFileSync(args.render, ["--what", String(t)], { encoding: "utf8" });
  return [...out.matchAll(/^\s+row\s+(\d+)\s+(-?\d+)-(-?\d+)\s+(.*)$/gm)].map((m) => ({ row: Number(m[1]), names: m[4].trim() }));
}

// The canvas's pixels as RGB, base64, and a short fingerprint of them.
const CanvasRgb = `(function () {
  var c = document.getElementById("screen"), d = morvexPage.presenterRead();
  var rgb = new Uint8Array(1280 * 720 * 3), h = 0;
  for (var i = 0, j = 0; i < d.length; i += 4, j += 3) { rgb[j] = d[i]; rgb[j + 1] = d[i + 1]; rgb[j + 2] = d[i + 2]; h = (h * 31 + d[i] + d[i + 1] * 7 + d[i + 2] * 13) | 0; }
  var s = "";
  for (var k = 0; k < rgb.length; k += 32768) s += String.fromCharCode.apply(null, rgb.subarray(k, k + 32768));
  return { rgb: btoa(s), hash: h };
})()`;

async function reviewChecks(browser, base, check) {
  const page = await openPage(browser, `${base}/morvex.html?review&t=43.5&seed=${seed}`);
  await page.waitFor("window.morvexPage && (morvexPage.state === 'error' || (morvexPage.review && morvexPage.review.seeks >= 1))", 60, "the review to open");
  const opened = await page.eval("({state: morvexPage.state, message: morvexPage.message, review: morvexPage.review && {position: morvexPage.review.position, drawn: morvexPage.review.drawn, rows: morvexPage.review.activeRows, caption: morvexPage.review.caption}})");
  if (!opened.review) {
    check(false, `the review opens (${opened.state}: ${opened.message})`);
    return;
  }
  const shown = await page.eval(CanvasRgb);
  const want = await rendererFrame(opened.review.drawn);
  const got = Buffer.from(shown.rgb, "base64");
  let differing = 0;
  for (let p = 0, q = 0; q < got.length; p += 4, q += 3) {
    if (got[q] !== want[p + 2] || got[q + 1] !== want[p + 1] || got[q + 2] !== want[p]) ++differing;
  }
  check(opened.review.position === 43500 && differing === 0,
        `a link with t=43.5 shows the renderer's frame at 43500 ms for the same ${opened.review.drawn.length} frames` +
        (differing ? ` (${differing} pixels differ)` : ""));
  const what = whatAt(43500);
  check(JSON.stringify(what.map((w) => w.row)) === JSON.stringify(opened.review.rows) &&
        what.every((w) => w.names.split(", ").every((n) => opened.review.caption.includes(n))) &&
        opened.review.caption.startsWith("43500 ms · frame 2610"),
        `the caption names what morvex-render --what names at 43500 ms (${opened.review.caption})`);

  const score = JSON.parse(fs.readFileSync(path.join(args.web, "score.json"), "utf8"));
  const bars = await page.eval("morvexPage.review.bars");
  check(bars.length === score.rows.length && score.rows.length === 81 &&
        bars.every((b, i) => b.from === score.rows[i].from && b.to === score.rows[i].to && b.x1 >= b.x0),
        `the timeline has a bar for each of the score's ${score.rows.length} rows, in their ranges (${bars.length} bars)`);

  // A click on the timeline at 50 s seeks there.
  const at = await page.eval(`(function () { var t = document.querySelector("[data-review=timeline]").getBoundingClientRect();
    return { x: t.left + morvexPage.review.xOfMs(50000), y: t.top + 20, left: t.left, top: t.top }; })()`);
  const mouse = (type, x, y) => page.send("Input.dispatchMouseEvent", { type, x, y, button: "left", buttons: type === "mouseReleased" ? 0 : 1, clickCount: 1, pointerType: "mouse" });
  await mouse("mousePressed", at.x, at.y);
  await mouse("mouseReleased", at.x, at.y);
  await page.waitFor("morvexPage.review.seeks >= 2 && !morvexPage.review.playing", 30, "the seek from the timeline");
  const clicked = await page.eval("morvexPage.review.position");
  check(Math.abs(clicked - 50000) <= 80, `a click on the timeline at 50 s seeks there (${clicked} ms)`);

  // One frame on.
  await page.eval(`document.querySelector("[data-review=step]").click()`);
  check(await page.eval("morvexPage.review.position") === clicked + 17, "the frame step moves 17 ms on");

  // Play, then pause: the picture and the position hold, the sound stops.
  await page.eval(`document.querySelector("[data-review=play]").click()`);
  await sleep(600);
  const moving = await page.eval("({position: morvexPage.review.position, playing: morvexPage.review.playing, sound: morvexPage.review.sounding()})");
  await page.eval(`document.querySelector("[data-review=play]").click()`);
  const paused = await page.eval("morvexPage.review.position");
  const before = (await page.eval(CanvasRgb)).hash;
  await sleep(500);
  const after = await page.eval("({position: morvexPage.review.position, sound: morvexPage.review.sounding()})");
  const afterHash = (await page.eval(CanvasRgb)).hash;
  check(moving.playing && moving.sound && moving.position > clicked + 17 && after.position === paused && !after.sound && before === afterHash,
        `play moves on with sound (${clicked + 17} -> ${moving.position} ms), pause holds the picture and the sound (${paused} ms)`);
  // After frames that each put only their changed rows on the canvas, the
  // canvas is still the renderer's frame for the same frames.
  const played = await page.eval("morvexPage.review.drawn");
  const playedWant = await rendererFrame(played);
  const playedGot = Buffer.from((await page.eval(CanvasRgb)).rgb, "base64");
  let playedDiffering = 0;
  for (let p = 0, q = 0; q < playedGot.length; p += 4, q += 3) {
    if (playedGot[q] !== playedWant[p + 2] || playedGot[q + 1] !== playedWant[p + 1] || playedGot[q + 2] !== playedWant[p]) ++playedDiffering;
  }
  check(playedDiffering === 0, `after playing, the paused picture (${played[played.length - 1]} ms) is the renderer's frame for the ` +
                               `same ${played.length} frames` + (playedDiffering ? ` (${playedDiffering} pixels differ)` : ""));

  // A drag over 45..46 s loops that range: playing past its end comes back to its start.
  const a = at.left + await page.eval("morvexPage.review.xOfMs(45000)"), b = at.left + await page.eval("morvexPage.review.xOfMs(46000)");
  await mouse("mousePressed", a, at.y);
  for (let k = 1; k <= 5; ++k) await page.send("Input.dispatchMouseEvent", { type: "mouseMoved", x: a + (b - a) * k / 5, y: at.y, button: "left", buttons: 1, pointerType: "mouse" });
  await mouse("mouseReleased", b, at.y);
  await page.waitFor("!morvexPage.review.seeking() && morvexPage.review.loop", 30, "the loop's seek");
  const loop = await page.eval("morvexPage.review.loop");
  const seeksBefore = await page.eval("morvexPage.review.seeks");
  await page.eval(`document.querySelector("[data-review=play]").click()`);
  await page.waitFor(`morvexPage.review.seeks > ${seeksBefore} && morvexPage.review.position < ${loop.from + 500}`, 10, "the loop to come back");
  check(Math.abs(loop.from - 45000) <= 80 && Math.abs(loop.to - 46000) <= 80,
        `a drag over the timeline loops 45..46 s (${loop.from}..${loop.to}); playing past its end returns to its start`);
  await page.eval(`document.querySelector("[data-review=play]").click()`);
  check(page.errors.length === 0, `no console error in the review (${page.errors.join("; ") || "none"})`);
  await page.close();
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
    // The scale rule's worked values: [CSS width, height, ratio, fill] -> the
    // picture's device-pixel size and whole factor (0: fitted).
    const { pictureRect } = await import(path.join(args.web, "scale.js"));
    for (const [w, h, dpr, fill, want] of [
      [1920, 1080, 1, false, [1280, 720, 1]], [1920, 1080, 1.5, false, [2560, 1440, 2]],
      [1280, 720, 2, false, [2560, 1440, 2]], [2560, 1440, 1.5, false, [3840, 2160, 3]],
      [1279, 720, 1, false, [1279, 719, 0]], [390, 844, 3, false, [1170, 658, 0]],
      [844, 390, 3, false, [1280, 720, 1]], [1920, 1080, 1, true, [1920, 1080, 0]],
      [1920, 1200, 1, true, [1920, 1080, 0]], [1366, 768, 1.25, false, [1280, 720, 1]]]) {
      const r = pictureRect(w, h, dpr, fill);
      const got = [r.deviceWidth, r.deviceHeight, r.factor];
      const near = (a, b, d) => Math.abs(a - b) <= d + 1e-6;
      const centred = near(r.left * dpr * 2 + r.deviceWidth, Math.floor(w * dpr), 1) &&
                      near(r.top * dpr * 2 + r.deviceHeight, Math.floor(h * dpr), 1);
      const onDevicePixels = near(r.left * dpr, Math.round(r.left * dpr), 0) && near(r.top * dpr, Math.round(r.top * dpr), 0);
      check(got.join() === want.join() && centred && onDevicePixels,
            `scale rule: ${w} x ${h} CSS pixels at ratio ${dpr}${fill ? ", filling" : ""} -> ${got[0]} x ${got[1]} device pixels, ` +
            `factor ${got[2]} at ${(r.left * dpr).toFixed(2)}, ${(r.top * dpr).toFixed(2)}`);
    }

    await browser.send("Target.setDiscoverTargets", { discover: false });
    const presentWay = args.present ? `&present=${args.present}` : "";
    const page = await openPage(browser, `${base}/morvex.html?seed=${seed}${presentWay}${portableRun ? "&nosimd" : ""}`);
    const t0 = Date.now();
    await page.waitLoaded();
    check(await page.eval("morvexPage.state") === "ready", `the page loads the pack and the music (${(Date.now() - t0) / 1000} s): ${await page.eval("morvexPage.message")}`);
    // The front page: the title picture behind a Start button, the notice.
    const front = await page.eval(`(function () {
      var t = document.getElementById("title");
      return { title: t.complete && t.naturalWidth === 1280 && getComputedStyle(t).display !== "none",
               notice: document.getElementById("flash-figures").textContent.length > 0,
               readyAt: morvexPage.readyAt, presenter: morvexPage.presenter };
    })()`);
    check(front.title && !!(await page.buttonAt("Start")) && front.notice,
          "the front page shows the title picture, a Start button and the photosensitivity notice");
    await page.waitFor("document.readyState === 'complete'", 10, "the page's last file");
    await sleep(200);
    check(page.bytesFetched <= 3.5e6, `the first visit fetches ${page.bytesFetched} bytes (at most 3.5 MB)`);
    console.log(`figures: Start possible ${front.readyAt.toFixed(0)} ms after opening; ${page.bytesFetched} bytes transferred; ` +
                `frames presented through ${front.presenter}`);
    const loadSteps = await page.eval("JSON.stringify(Object.entries(morvexPage.loadSteps).sort(function (a, b) { return a[1] - b[1]; }).map(function (e) { return e[0] + ' ' + e[1].toFixed(0); }))");
    console.log(`figures: loading steps (ms after opening): ${JSON.parse(loadSteps).join(", ")}`);
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
    // What the page allocates while the show runs (sampled; the objects the
    // collector took back are counted too): frames should allocate nothing.
    // Sampled over the first seconds only: the sampler slows the page's
    // allocations, which a long run measuring the draw would count.
    const presentsAtStart = await page.eval("morvexPage.presents");
    const samplingSeconds = Math.min(showSeconds, 6);
    await page.send("HeapProfiler.enable");
    await page.send("HeapProfiler.startSampling",
                    { samplingInterval: 256, includeObjectsCollectedByMajorGC: true, includeObjectsCollectedByMinorGC: true });
    await sleep(samplingSeconds * 1000);
    const { profile } = await page.send("HeapProfiler.stopSampling");
    const presentsSampled = await page.eval("morvexPage.presents");
    await page.send("HeapProfiler.disable");
    const allocated = new Map();
    (function walk(node) {
      const where = `${node.callFrame.functionName || "(anonymous)"} ${path.basename(node.callFrame.url || "")}`.trim();
      allocated.set(where, (allocated.get(where) || 0) + node.selfSize);
      for (const child of node.children || []) walk(child);
    })(profile.head);
    const allocatedBytes = [...allocated.values()].reduce((a, b) => a + b, 0);
    const framesSampled = Math.max(1, presentsSampled - presentsAtStart);
    const topAllocators = [...allocated.entries()].sort((a, b) => b[1] - a[1]).slice(0, 4);
    console.log(`figures: JavaScript allocated while the show ran: ${(allocatedBytes / 1024).toFixed(0)} KiB in ` +
                `${framesSampled} frames (${(allocatedBytes / framesSampled).toFixed(0)} bytes a frame; most by ` +
                `${topAllocators.map(([w, b]) => `${w} ${(b / 1024).toFixed(1)} KiB`).join(", ")})`);
    // Long tasks from the first frame on, before the frame is read back (loading
    // has its own figure: the time to Start; the show's start-up is in the worst
    // present interval).
    await sleep((showSeconds - samplingSeconds) * 1000);
    const longTasks = await page.eval("(window.longTasks || []).filter(function (t) { return t[0] > morvexPage.presentAt[0]; }).map(function (t) { return t[1]; })");
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
    const presentMsAll = await page.eval("Array.prototype.slice.call(morvexPage.presentMs, 1, Math.min(morvexPage.presents, morvexPage.presentMs.length))");
    const presentRows = await page.eval("Array.prototype.slice.call(morvexPage.presentRows, 1, Math.min(morvexPage.presents, morvexPage.presentRows.length))");
    // The time of the presents that changed the canvas; the others put nothing on it.
    const presentMs = presentMsAll.filter((ms, j) => presentRows[j] > 0);
    const loadingTasks = await page.eval("JSON.stringify((window.longTasks || []).filter(function (t) { return t[0] < morvexPage.readyAt; }).map(function (t) { return t.map(Math.round); }))");
    console.log(`figures: long tasks while loading (start, ms): ${loadingTasks}`);

    // Figures: frame rate, and the clock against the wall clock.
    const times = capture.times;
    const steps = times.slice(1).map((t, i) => t - times[i]);
    const intervals = presentAt.slice(1).map((t, i) => t - presentAt[i]);
    const backwards = steps.filter((s) => s < 0).length;
    const spanMs = presentAt[times.length - 1] - presentAt[0];
    console.log(`figures: ${times.length} frames in ${(spanMs / 1000).toFixed(2)} s of wall time: ` +
                `${(1000 * (times.length - 1) / spanMs).toFixed(1)} frames/s (median present interval ${median(intervals).toFixed(1)} ms, ` +
                `worst ${Math.max(...intervals).toFixed(1)} ms); drawing a frame in the page takes ` +
                `${median(drawMs).toFixed(1)} ms (median, p95 ${percentile(drawMs, 0.95).toFixed(1)}, p99 ${percentile(drawMs, 0.99).toFixed(1)}, ` +
                `worst ${Math.max(...drawMs).toFixed(1)} ms) with ${module}; ` +
                `${longTasks.length} long tasks (over 50 ms; longest ${longTasks.length ? Math.max(...longTasks).toFixed(0) : 0} ms)`);
    // drawMs[j] is the frame of times[j + 1] (the first present is left out).
    const slowest = drawMs.map((ms, j) => [times[j + 1], ms]).filter((f) => f[0] !== undefined)
      .sort((a, b) => b[1] - a[1]).slice(0, 8);
    console.log(`figures: slowest draws (DemoTime: ms): ${slowest.map(([t, ms]) => `${t}: ${ms.toFixed(1)}`).join(", ")}`);
    const rowsPut = presentRows.reduce((a, b) => a + b, 0);
    console.log(`figures: ${presentRows.length - presentMs.length} of ${presentRows.length} presents changed nothing on the canvas; ` +
                `the others put ${presentMs.length ? (rowsPut / presentMs.length).toFixed(0) : 0} rows on average (${front.presenter}), taking ` +
                `${median(presentMs).toFixed(2)} ms (median, p95 ${percentile(presentMs, 0.95).toFixed(2)}, worst ${presentMs.length ? Math.max(...presentMs).toFixed(2) : 0} ms)`);
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

    // A long measuring run may reach the show's end before the keys are tried:
    // then the show ends by itself, through the end fade, and the keys are
    // tried on a replay.
    if (await page.eval("morvexPage.state !== 'running' || morvexPage.demoTime > 60000")) {
      await page.waitFor("morvexPage.state !== 'running'", 30, "the show's end");
      const natural = await page.eval("({state: morvexPage.state, fading: morvexPage.fading, exitStatus: morvexPage.exitStatus})");
      check(natural.state === "ended" && natural.fading && natural.exitStatus === 0,
            `the show ends by itself after the end fade (${natural.state}, status ${natural.exitStatus})`);
      await page.eval("document.getElementById('replay').click()");
      await page.waitFor("morvexPage.state === 'running' && morvexPage.presents > 30", 30, "the replay for the keys");
    }

    // The space bar held: the same picture again and again, DemoTime standing
    // still while the music runs on, and nothing new put on the canvas;
    // released, the clock jumps ahead.
    const space = { key: " ", code: "Space", windowsVirtualKeyCode: 32, nativeVirtualKeyCode: 32 };
    await page.send("Input.dispatchKeyEvent", { type: "rawKeyDown", ...space });
    await sleep(300);
    const held = await page.eval("({presents: morvexPage.presents, demoTime: morvexPage.demoTime})");
    await sleep(700);
    const still = await page.eval("({presents: morvexPage.presents, demoTime: morvexPage.demoTime, " +
                                  "rows: Array.prototype.slice.call(morvexPage.presentRows, " +
                                  `${held.presents + 1}, Math.min(morvexPage.presents, morvexPage.presentRows.length))})`);
    await page.send("Input.dispatchKeyEvent", { type: "keyUp", ...space });
    await sleep(300);
    const released = await page.eval("morvexPage.demoTime");
    check(still.demoTime === held.demoTime && still.presents > held.presents && released >= held.demoTime + 700,
          `the space bar holds the picture (DemoTime ${held.demoTime} over ${still.presents - held.presents} presents, ` +
          `${released} after release)`);
    check(still.rows.length > 0 && still.rows.every((r) => r === 0),
          `a held picture puts nothing new on the canvas (rows of ${still.rows.length} presents: ${[...new Set(still.rows)].join(", ")})`);

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
    check(await page.buttonAt("Replay") !== null, "the end offers Replay");
    const memory = await page.eval("performance.memory ? performance.memory.usedJSHeapSize : 0");
    console.log(`figures: JavaScript heap in use at the end ${(memory / 1048576).toFixed(1)} MiB`);
    check(page.errors.length === 0, `no console error from opening to the end (${page.errors.join("; ") || "none"})`);
    await page.close();

    // Sharp on a high-DPI screen: at device pixel ratio 1.5 on 1920 x 1080 the
    // picture covers a whole multiple of 1280 x 720 device pixels, on whole
    // device pixels, centred.
    const hidpi = await openPage(browser, `${base}/morvex.html`, { width: 1920, height: 1080, deviceScaleFactor: 1.5, mobile: false });
    await hidpi.waitLoaded();
    const placed = await hidpi.eval(`(function () {
      var r = document.getElementById("screen").getBoundingClientRect(), d = devicePixelRatio;
      return { dpr: d, x: r.left * d, y: r.top * d, w: r.width * d, h: r.height * d, vw: innerWidth * d, vh: innerHeight * d };
    })()`);
    // Layout keeps 1/64 CSS pixel: 1706.67 CSS pixels are 2559.98 device pixels.
    const whole = (v) => Math.abs(v - Math.round(v)) < 1.5 / 64;
    check(placed.dpr === 1.5 && whole(placed.w / 1280) && placed.w / 1280 >= 1 && whole(placed.h / 720) &&
          Math.round(placed.w / 1280) === Math.round(placed.h / 720) && whole(placed.x) && whole(placed.y) &&
          Math.abs(placed.x * 2 + placed.w - placed.vw) <= 1 && Math.abs(placed.y * 2 + placed.h - placed.vh) <= 1 &&
          Math.round(placed.w / 1280) === 2,
          `at device pixel ratio 1.5 the picture is ${placed.w} x ${placed.h} device pixels at ${placed.x}, ${placed.y} ` +
          `(a whole factor of 1280 x 720, centred in ${placed.vw} x ${placed.vh})`);
    check(hidpi.errors.length === 0, `no console error at device pixel ratio 1.5 (${hidpi.errors.join("; ") || "none"})`);
    await hidpi.close();

    // A phone (390 x 844 CSS pixels, ratio 3, touch): no whole factor fits, so the
    // picture fits the width; touch starts, holds, stops and replays the show.
    const phone = await openPage(browser, `${base}/morvex.html?seed=${seed}`, { width: 390, height: 844, deviceScaleFactor: 3, mobile: true, touch: true });
    await phone.waitLoaded();
    const fit = await phone.eval(`(function () {
      var r = document.getElementById("screen").getBoundingClientRect();
      return { w: r.width * 3, h: r.height * 3, rendering: getComputedStyle(document.getElementById("screen")).imageRendering };
    })()`);
    check(Math.round(fit.w) === 1170 && Math.abs(fit.h - 1170 * 9 / 16) < 1.5 && fit.rendering === "pixelated",
          `on the phone the picture fits the width, nearest sampled (${fit.w.toFixed(1)} x ${fit.h.toFixed(1)} device pixels, ${fit.rendering})`);
    await phone.tapButton("Start");
    await phone.waitFor("morvexPage.state === 'running' && morvexPage.presents > 0", 30, "the show to start on a tap");
    const picture = await phone.eval(`(function () { var r = document.getElementById("screen").getBoundingClientRect();
      return { x: r.left + r.width / 2, y: r.top + r.height / 2 }; })()`);
    await sleep(500);
    await phone.touch("touchStart", picture);
    await sleep(300);
    const pressed = await phone.eval("({presents: morvexPage.presents, demoTime: morvexPage.demoTime})");
    await sleep(600);
    const stillPressed = await phone.eval("({presents: morvexPage.presents, demoTime: morvexPage.demoTime})");
    await phone.touch("touchEnd", picture);
    await sleep(300);
    const letGo = await phone.eval("morvexPage.demoTime");
    check(stillPressed.demoTime === pressed.demoTime && stillPressed.presents > pressed.presents && letGo >= pressed.demoTime + 600,
          `press-and-hold on the picture holds it (DemoTime ${pressed.demoTime} over ${stillPressed.presents - pressed.presents} presents), ` +
          `release lets it go on (${letGo})`);
    check(await phone.buttonAt("Stop") !== null, "a touch on the picture shows the Stop control");
    await phone.tapButton("Stop");
    await phone.waitFor("morvexPage.state !== 'running'", 10, "the show to end on Stop");
    const stoppedByTouch = await phone.eval("({state: morvexPage.state, fading: morvexPage.fading, demoTime: morvexPage.demoTime})");
    check(stoppedByTouch.state === "ended" && !stoppedByTouch.fading,
          `Stop ends the show without the end fade (${stoppedByTouch.state} at DemoTime ${stoppedByTouch.demoTime})`);
    await phone.waitFor("!!document.getElementById('replay') && !document.getElementById('replay').hidden", 10, "Replay");
    await phone.tapButton("Replay");
    await phone.waitFor("morvexPage.state === 'running' && morvexPage.presents > 10", 30, "the show to play again");
    const again = await phone.eval("({runs: morvexPage.runs, demoTime: morvexPage.demoTime, pass: morvexPage.pass})");
    check(again.runs === 2 && again.pass === 1 && again.demoTime < 5000,
          `Replay plays the show again from its start without reloading (showing ${again.runs}, DemoTime ${again.demoTime})`);
    // Escape pressed and released between two frames still ends the show.
    await phone.eval("document.dispatchEvent(new KeyboardEvent('keydown', {key: 'Escape', bubbles: true})); " +
                     "document.dispatchEvent(new KeyboardEvent('keyup', {key: 'Escape', bubbles: true}))");
    await phone.waitFor("morvexPage.state !== 'running'", 5, "the show to end on a quick Escape");
    check(await phone.eval("morvexPage.state") === "ended", "a quick Escape between two frames ends the show");
    check(phone.errors.length === 0, `no console error on the phone (${phone.errors.join("; ") || "none"})`);
    await phone.close();

    // The review mode: a link to a moment shows the renderer's frame for the
    // same frames; the timeline holds the score; clicks seek, pause holds,
    // a drag loops, a step moves one frame; the caption names what --what names.
    await reviewChecks(browser, base, check);

    // A web page served (status 200) in place of the pack or the music is named
    // before Ready, with what arrived.
    for (const [variant, file, says] of [["htmlpack", "data.dat", "is not the show's asset pack"], ["htmlmusic", "kaz.mp3", "is not MP3 audio"]]) {
      const wrong = await openPage(browser, `${base}/${variant}/morvex.html`);
      await wrong.waitLoaded();
      const told = await wrong.eval("({state: morvexPage.state, text: document.getElementById('status').textContent})");
      check(told.state === "error" && told.text.startsWith(`${file}`) && told.text.includes(says) &&
            told.text.includes("text/html") && told.text.includes("<!DOCTYPE html>"),
            `a web page in place of ${file} is named before Ready (${told.text})`);
      await wrong.close();
    }

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
      await browser.send("Target.closeTarget", { targetId: t.targetId });
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
