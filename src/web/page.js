// The page around the show: the front page (title picture, Start, progress,
// what this is, the controls, the photosensitivity notice), the picture's
// place on the screen, and the end with Replay. Loading is loader.js's, the
// showing and its controls player.js's, the scale rule scale.js's.
import { chooseModule } from "./wasm_choice.js";
import { LoadError, fetchFile, expectedBytes, checkPack, checkMusic, loadScript, compileProgram } from "./loader.js";
import { makePlayer } from "./player.js";
import { makePresenter } from "./present.js";
import { pictureRect } from "./scale.js";

const $ = (id) => document.getElementById(id);
const params = new URLSearchParams(location.search);
// The review mode (?review, review.js) lays the page out with a panel under the picture.
const reviewing = params.has("review");
if (reviewing) document.body.dataset.mode = "review";
const stage = $("stage"), canvas = $("screen"), title = $("title"), statusLine = $("status");
const startButton = $("start"), replayButton = $("replay"), progressBar = $("progress");

// What tests and curious users can read: the state and the figures of the run.
const page = window.morvexPage = {
  state: "loading", message: "", exitStatus: null, runs: 0,
  presents: 0, passFrames: 0, pass: 0, demoTime: 0, fading: false,
  passTimes: new Int32Array(1 << 20),   // DemoTime of every frame of the current pass
  presentAt: new Float64Array(1 << 20), // performance.now() at every present of the first pass
  drawMs: new Float64Array(1 << 20),    // time in the show from the animation frame to this present
  presentMs: new Float64Array(1 << 20), // time putting each frame of the first pass on the canvas
  presentRows: new Int32Array(1 << 20), // rows each present of the first pass changed on the canvas (0: none)
  captureWanted: false, captured: null,
  bytesExpected: 0, bytesReceived: 0, readyAt: null, presenter: null, layout: null,
  loadSteps: {},  // performance.now() when each file had arrived and was ready for use
  // wokeAt: when the show got control back at the animation frame.
  onFrame(wokeAt, demoTime, frame, pass, fading) {
    const now = performance.now();
    if (page.presents < page.presentAt.length && pass === 1) {
      page.presentAt[page.presents] = now;
      page.drawMs[page.presents] = wokeAt ? now - wokeAt : 0;
    }
    page.presents++;
    page.demoTime = demoTime;
    page.pass = pass;
    page.fading = fading;
    if (fading) return;
    page.passFrames = frame;
    if (frame <= page.passTimes.length) page.passTimes[frame - 1] = demoTime;
    if (page.captureWanted && pass === 1) {
      page.captureWanted = false;
      page.captured = { demoTime, frame, times: Array.from(page.passTimes.subarray(0, frame)), pixels: presenter.read() };
    }
  },
};

function setStatus(text, isError) {
  page.message = text;
  statusLine.textContent = text;
  statusLine.classList.toggle("error", !!isError);
}
function show(state) {
  page.state = state;
  document.body.dataset.state = state;
}
function fail(text) {
  show("error");
  startButton.hidden = true;
  replayButton.hidden = true;
  setStatus(text, true);
}

// ---- the picture's place: the canvas and the title picture alike
function layout() {
  const fullscreen = !!(document.fullscreenElement || document.webkitFullscreenElement);
  const fill = fullscreen && $("fill").getAttribute("aria-pressed") === "true";
  const r = pictureRect(stage.clientWidth, stage.clientHeight, window.devicePixelRatio || 1, fill);
  page.layout = r;
  for (const el of [canvas, title, $("centre")]) {
    Object.assign(el.style, { left: `${r.left}px`, top: `${r.top}px`, width: `${r.width}px`, height: `${r.height}px` });
  }
}
window.addEventListener("resize", layout);
// A change of devicePixelRatio alone (browser zoom, another monitor) fires no resize everywhere.
(function watchRatio() {
  const query = matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`);
  query.addEventListener("change", () => { layout(); watchRatio(); }, { once: true });
})();
layout();

const presenter = makePresenter(canvas, params.get("present") === "webgl" ? "webgl" : "2d");
page.presenter = presenter.kind;
// The presenter as the show sees it, timed (read by the figures of the tests).
const timedPresenter = {
  show(heap, at, width, height, firstRow, rows) {
    const t = performance.now();
    presenter.show(heap, at, width, height, firstRow, rows);
    if (page.pass <= 1 && page.presents < page.presentMs.length) {
      page.presentMs[page.presents] = performance.now() - t;
      page.presentRows[page.presents] = rows;
    }
  },
};
page.presenterRead = () => presenter.read();
const seed = params.has("seed") ? parseInt(params.get("seed"), 10) : -1;
const player = makePlayer({
  stage, canvas, controls: $("controls"), page,
  buttons: { stop: $("stop"), fullscreen: $("fullscreen"), fill: $("fill") },
  presenter: timedPresenter,
  seed: seed >= 0 && seed < 2147483648 ? seed : -1,
  loop: params.has("loop"),
  onLayout: layout,
  onEnded() {
    page.exitStatus = 0;
    show("ended");
    replayButton.hidden = false;
    setStatus("The show has ended.");
    replayButton.focus();
  },
  onFailed: fail,
});

// ---- loading
let files = null;
async function load() {
  if (!(window.AudioContext || window.webkitAudioContext)) {
    throw new LoadError("This browser has no Web Audio, which the show needs for its music and its clock.");
  }
  const script = await chooseModule();
  page.module = script;
  const wasm = script.replace(/\.js$/, ".wasm");
  const names = [script, wasm, "data.dat", "kaz.mp3"];
  page.bytesExpected = expectedBytes(names);
  const progress = () => {
    if (page.state !== "loading") return;
    const mb = (n) => (n / 1e6).toFixed(1);
    progressBar.max = page.bytesExpected;
    progressBar.value = page.bytesReceived;
    setStatus(`Loading: ${mb(page.bytesReceived)} of ${mb(page.bytesExpected)} MB`);
  };
  const onBytes = (n) => { page.bytesReceived += n; progress(); };
  const onPlain = (extra) => { page.bytesExpected += extra; progress(); };
  progress();
  // Every file at once; each is checked as soon as it is whole.
  const get = (name) => fetchFile(name, onBytes, onPlain).then((f) => { page.loadSteps[`${name} arrived`] = performance.now(); return f; });
  const done = (what) => (v) => { page.loadSteps[what] = performance.now(); return v; };
  const [factory, program, pack, music] = await Promise.all([
    get(script).then(loadScript).then(done(`${script} run`)),
    get(wasm).then(compileProgram).then(done(`${wasm} compiled`)),
    get("data.dat").then((f) => { checkPack(f); return f.bytes; }),
    get("kaz.mp3").then(async (f) => {
      checkMusic(f);
      const decoder = new OfflineAudioContext(2, 1, 44100);
      try {
        return done("kaz.mp3 decoded")(await decoder.decodeAudioData(f.bytes.buffer));
      } catch (error) {
        throw new LoadError(`kaz.mp3 arrived (${f.bytes.length} bytes of MP3) but this browser cannot decode it: ` +
                            `${error && error.message || error}. Try another browser.`);
      }
    }),
  ]);
  return { factory, program, pack, music };
}

// The review mode (?review): the show in a player with its score on a timeline;
// the moment a link names (&t=SECONDS) is shown at once, paused.
async function openReview(loaded) {
  const { startReview, reviewStartMs } = await import("./review.js");
  const score = await (await fetch("score.json")).json();
  show("running");
  progressBar.hidden = true;
  setStatus("Review.");
  await startReview({
    files: loaded, score, presenter, page, container: document.body,
    startMs: reviewStartMs(params), seed, onFailed: fail,
  });
}

load().then((loaded) => {
  if (page.state !== "loading") return;
  if (reviewing) {
    openReview(loaded).catch((error) => fail(`The review cannot start: ${error && error.message || error}`));
    return;
  }
  files = loaded;
  page.readyAt = performance.now();
  show("ready");
  progressBar.hidden = true;
  startButton.disabled = false;
  setStatus("Ready.");
}, (error) => {
  fail(error instanceof LoadError ? error.message : `The page cannot load the show: ${error && error.message || error}`);
});

function begin() {
  if (!files || (page.state !== "ready" && page.state !== "ended")) return;
  show("running");
  startButton.hidden = true;
  page.runs++;
  page.presents = 0;
  page.passFrames = 0;
  page.demoTime = 0;
  page.fading = false;
  page.captured = null;
  setStatus("Playing.");
  canvas.focus();
  player.play(files);
}
startButton.addEventListener("click", begin);
replayButton.addEventListener("click", () => { replayButton.hidden = true; begin(); });
