// The review mode (morvex.html?review): the show in a player with its score on a
// timeline. One lane per effect module with the score's rows as bars, the cut
// times as ticks, the music's level, the play position and a loop range; play,
// pause, a frame on, one second back or on, speeds 1/4, 1/2 and 1 (the music
// sounds at 1 and is silent otherwise), and a link to the moment shown.
//
// The page keeps the clock; the program draws the frame of a moment
// (reviewDraw) and, for a seek, first the frames leading there, unseen
// (reviewSeek), as morvex-view does, so the picture after a seek is the show's.
// Frames follow the clock as in the show: forwards only, at the display's rate.

const StepMs = 17;          // one frame at 60 frames a second, the viewer's step
const ReviewEndMs = 76000;  // the last row of the score ends at 75999
const Speeds = [0.25, 0.5, 1];
const LaneHeight = 14, TopBand = 16, WaveBand = 28;

// setup: { files: {factory, program, pack, music}, score (score.json), presenter,
// container (where the panel goes), page, startMs, seed (-1: 1, as morvex-view),
// onFailed(text) }
export async function startReview(setup) {
  const { files, score, page } = setup;
  const rows = score.rows;
  const modules = [];
  for (const r of rows) if (!modules.includes(r.module)) modules.push(r.module);

  // ---- the program: an instance that draws moments on request
  const state = {
    presenter: setup.presenter,
    onFrame: () => {},
    get keys() { return []; },
  };
  const instance = await files.factory({
    morvex: state,
    print: (line) => console.log(line),
    printErr: (line) => console.warn(line),
    instantiateWasm: (imports, receive) => {
      WebAssembly.instantiate(files.program, imports).then((i) => receive(i, files.program),
                                                          (e) => setup.onFailed(`The program cannot start: ${e.message}`));
      return {};
    },
    onAbort: (what) => setup.onFailed(`The review stopped: ${what}`),
  });
  instance.FS.writeFile("/data.dat", files.pack);
  instance._reviewOpen(setup.seed >= 0 ? setup.seed : 1);

  // ---- the panel
  const panel = makePanel(setup.container);
  const el = (name) => panel.querySelector(`[data-review="${name}"]`);
  const timeline = el("timeline"), caption = el("caption"), building = el("building");
  const playButton = el("play"), linkButton = el("link"), loopButton = el("loop");
  const speedButtons = [...panel.querySelectorAll("[data-speed]")];

  let audio = null, gain = null, source = null, startedAt = 0, startOffset = 0, wallAt = 0, wallFrom = 0;
  let seeking = null;
  const review = page.review = {
    position: 0,         // ms, the moment shown (or playing)
    playing: false,
    speed: 1,
    loop: null,          // {from, to} in ms
    drawn: [],           // DemoTimes drawn since the last seek, build-up included
    seeks: 0,
    lanes: modules,
    sounding: () => source !== null,
    seeking: () => seeking !== null,
  };

  // ---- the clock: the music's heard position at speed 1, the page's clock otherwise
  function heardMs() {
    if (source) {
      const latency = audio.outputLatency > 0 ? audio.outputLatency : audio.baseLatency > 0 ? audio.baseLatency : 0;
      return (startOffset + Math.max(0, audio.currentTime - latency - startedAt)) * 1000;
    }
    return wallFrom + (performance.now() - wallAt) * review.speed;
  }
  function startClock() {
    wallFrom = review.position;
    wallAt = performance.now();
    if (review.speed !== 1) return;
    if (!audio) {
      const AudioContextType = window.AudioContext || window.webkitAudioContext;
      audio = new AudioContextType();
      gain = audio.createGain();
      gain.connect(audio.destination);
    }
    audio.resume().catch(() => {});
    source = audio.createBufferSource();
    source.buffer = files.music;
    source.connect(gain);
    startedAt = audio.currentTime;
    startOffset = review.position / 1000;
    source.start(startedAt, Math.min(startOffset, files.music.duration));
  }
  function stopClock() {
    if (source) {
      source.stop();
      source.disconnect();
      source = null;
    }
  }

  // ---- drawing
  function drawAt(ms) {
    const demoTime = instance._reviewDraw(ms);
    review.drawn.push(demoTime);
    review.position = ms;
    showCaption(demoTime);
  }
  // Puts the show at ms: the frames leading there unseen, then the frame itself.
  // The note on screen is painted before the work starts.
  function seek(ms) {
    ms = Math.max(0, Math.min(ReviewEndMs - 1, Math.round(ms)));
    const wasPlaying = review.playing;
    if (wasPlaying) stopClock();
    review.position = ms;
    drawTimeline();
    building.hidden = false;
    const token = seeking = {};
    return new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(() => {
      if (seeking !== token) return done();
      instance._reviewSeek(ms);
      review.drawn = [];
      const from = instance._reviewBuildUpFrom(ms);
      for (let t = from; t < ms; t += StepMs) review.drawn.push(t);
      drawAt(ms);
      review.seeks++;
      building.hidden = true;
      seeking = null;
      if (wasPlaying) startClock();
      drawTimeline();
      done();
    })));
  }

  function tick() {
    if (review.playing && !seeking) {
      let ms = Math.round(heardMs());
      if (review.loop && ms > review.loop.to) {
        seek(review.loop.from);
      } else if (ms >= ReviewEndMs) {
        pause();
      } else if (ms > review.position) {
        drawAt(ms);
      }
    }
    drawTimeline();
    requestAnimationFrame(tick);
  }

  function play() {
    if (review.playing) return;
    review.playing = true;
    playButton.textContent = "Pause";
    playButton.setAttribute("aria-label", "Pause");
    startClock();
  }
  function pause() {
    if (!review.playing) return;
    review.playing = false;
    stopClock();
    playButton.textContent = "Play";
    playButton.setAttribute("aria-label", "Play");
  }
  function stepFrame() {
    pause();
    if (review.position + StepMs < ReviewEndMs) drawAt(review.position + StepMs);
  }
  function setSpeed(speed) {
    const wasPlaying = review.playing;
    if (wasPlaying) pause();
    review.speed = speed;
    for (const b of speedButtons) b.setAttribute("aria-pressed", Number(b.dataset.speed) === speed ? "true" : "false");
    if (wasPlaying) play();
  }

  // ---- the caption: the moment, its frame at 60 a second, the rows running
  const rowActive = (r, t) => ((t - r.from) >>> 0) <= ((r.to - r.from) >>> 0);
  function activeRows(t) { return rows.filter((r) => rowActive(r, t)); }
  function showCaption(t) {
    const active = activeRows(t).map((r) => `row ${r.row} ${r.module}: ${r.routines.join(", ")}`);
    caption.textContent = `${t} ms · frame ${Math.floor(t * 60 / 1000)} · ` +
                          (active.length ? active.join(" · ") : "no row (black)");
    review.caption = caption.textContent;
    review.activeRows = activeRows(t).map((r) => r.row);
  }

  // ---- the timeline: lanes, cut ticks, the music's level, position and loop
  const level = musicLevels(files.music, 50);
  const context = timeline.getContext("2d");
  function timelineSize() {
    const ratio = window.devicePixelRatio || 1;
    const cssWidth = timeline.clientWidth || 800;
    const cssHeight = TopBand + WaveBand + modules.length * LaneHeight;
    timeline.style.height = `${cssHeight}px`;
    const w = Math.round(cssWidth * ratio), h = Math.round(cssHeight * ratio);
    if (timeline.width !== w || timeline.height !== h) {
      timeline.width = w;
      timeline.height = h;
    }
    return { ratio, cssWidth, cssHeight };
  }
  const LabelWidth = 92;  // CSS px for the lanes' names
  const xOf = (ms, width) => LabelWidth + (ms / ReviewEndMs) * (width - LabelWidth);
  const msOf = (x, width) => ((x - LabelWidth) / (width - LabelWidth)) * ReviewEndMs;
  review.xOfMs = (ms) => xOf(ms, timeline.clientWidth);
  review.laneY = (module) => TopBand + WaveBand + modules.indexOf(module) * LaneHeight + LaneHeight / 2;

  function drawTimeline() {
    const { ratio, cssWidth, cssHeight } = timelineSize();
    const c = context;
    c.setTransform(ratio, 0, 0, ratio, 0, 0);
    c.fillStyle = "#111";
    c.fillRect(0, 0, cssWidth, cssHeight);
    c.font = "10px system-ui, sans-serif";
    c.textBaseline = "middle";
    // the loop range
    if (review.loop) {
      c.fillStyle = "rgba(80, 140, 255, 0.22)";
      const a = xOf(review.loop.from, cssWidth), b = xOf(review.loop.to, cssWidth);
      c.fillRect(a, 0, Math.max(1, b - a), cssHeight);
    }
    // the cuts, and a second scale
    c.fillStyle = "#777";
    for (let s = 0; s <= ReviewEndMs / 1000; s += 5) {
      const x = xOf(s * 1000, cssWidth);
      c.fillRect(x, 0, 1, 4);
      if (s % 10 === 0) c.fillText(`${s}s`, x + 2, 6);
    }
    c.fillStyle = "#e8b64c";
    for (const cut of score.cuts) c.fillRect(xOf(cut, cssWidth), 9, 1, TopBand - 9);
    // the music's level
    c.fillStyle = "#3f6e5a";
    const mid = TopBand + WaveBand / 2;
    const slicesPerPx = (ReviewEndMs / 1000) * level.perSecond / (cssWidth - LabelWidth);
    for (let x = LabelWidth; x < cssWidth; ++x) {
      const i0 = Math.floor((x - LabelWidth) * slicesPerPx), i1 = Math.max(i0 + 1, Math.floor((x + 1 - LabelWidth) * slicesPerPx));
      let v = 0;
      for (let i = i0; i < i1 && i < level.values.length; ++i) v = Math.max(v, level.values[i]);
      const h = Math.max(1, v * (WaveBand - 4));
      c.fillRect(x, mid - h / 2, 1, h);
    }
    // the lanes and their rows
    modules.forEach((m, i) => {
      const y = TopBand + WaveBand + i * LaneHeight;
      c.fillStyle = i % 2 ? "#171717" : "#1d1d1d";
      c.fillRect(0, y, cssWidth, LaneHeight);
      c.fillStyle = "#aaa";
      c.fillText(m, 4, y + LaneHeight / 2);
    });
    const now = activeRows(review.position);
    review.bars = [];
    for (const r of rows) {
      const y = TopBand + WaveBand + modules.indexOf(r.module) * LaneHeight;
      const a = xOf(r.from, cssWidth), b = xOf(Math.min(r.to + 1, ReviewEndMs), cssWidth);
      c.fillStyle = now.includes(r) ? "#f0f0f0" : "#5d86c5";
      c.fillRect(a, y + 2, Math.max(1.5, b - a), LaneHeight - 4);
      review.bars.push({ row: r.row, from: r.from, to: r.to, module: r.module, x0: a, x1: b, y: y + LaneHeight / 2 });
      const label = r.routines.join(", ");
      if (b - a > 40) {
        c.save();
        c.beginPath();
        c.rect(a, y, b - a, LaneHeight);
        c.clip();
        c.fillStyle = now.includes(r) ? "#000" : "#fff";
        c.fillText(label, a + 2, y + LaneHeight / 2);
        c.restore();
      }
    }
    // the play position
    c.fillStyle = "#ff4b4b";
    c.fillRect(Math.round(xOf(review.position, cssWidth)) - 1, 0, 2, cssHeight);
  }

  // ---- the timeline by pointer: a click seeks, a drag over it marks a loop
  let press = null;
  timeline.addEventListener("pointerdown", (e) => {
    if (e.button !== 0) return;
    timeline.setPointerCapture(e.pointerId);
    press = { x: e.offsetX, id: e.pointerId };
    e.preventDefault();
  });
  timeline.addEventListener("pointermove", (e) => {
    if (!press || e.pointerId !== press.id || Math.abs(e.offsetX - press.x) < 6) return;
    const w = timeline.clientWidth;
    const a = msOf(Math.min(press.x, e.offsetX), w), b = msOf(Math.max(press.x, e.offsetX), w);
    review.loop = { from: Math.max(0, Math.round(a)), to: Math.min(ReviewEndMs - 1, Math.round(b)) };
    press.dragged = true;
    loopButton.hidden = false;
  });
  timeline.addEventListener("pointerup", (e) => {
    if (!press || e.pointerId !== press.id) return;
    const dragged = press.dragged;
    press = null;
    if (dragged) seek(review.loop.from);
    else if (e.offsetX >= LabelWidth) seek(msOf(e.offsetX, timeline.clientWidth));
  });
  timeline.addEventListener("pointercancel", () => { press = null; });

  // ---- buttons and keys
  playButton.addEventListener("click", () => (review.playing ? pause() : play()));
  el("step").addEventListener("click", stepFrame);
  el("back").addEventListener("click", () => seek(review.position - 1000));
  el("forward").addEventListener("click", () => seek(review.position + 1000));
  loopButton.addEventListener("click", () => {
    review.loop = null;
    loopButton.hidden = true;
  });
  for (const b of speedButtons) b.addEventListener("click", () => setSpeed(Number(b.dataset.speed)));
  linkButton.addEventListener("click", async () => {
    const url = new URL(location.href);
    url.search = `?review&t=${(review.position / 1000).toFixed(3).replace(/\.?0+$/, "")}`;
    review.link = url.href;
    let copied = false;
    try {
      await navigator.clipboard.writeText(url.href);
      copied = true;
    } catch (e) { /* no clipboard here: the link is shown to copy by hand */ }
    el("linktext").value = url.href;
    el("linktext").hidden = copied;
    linkButton.textContent = copied ? "Link copied" : "Copy this link:";
    setTimeout(() => { linkButton.textContent = "Link to this moment"; }, 2000);
  });
  document.addEventListener("keydown", (e) => {
    if (e.target.closest && e.target.closest("input")) return;
    const action = { " ": () => (review.playing ? pause() : play()), "p": () => (review.playing ? pause() : play()),
                     ".": stepFrame, "ArrowRight": () => seek(review.position + 1000),
                     "ArrowLeft": () => seek(review.position - 1000) }[e.key];
    if (!action || (e.key === " " && e.target.closest && e.target.closest("button"))) return;
    e.preventDefault();
    action();
  });
  window.addEventListener("resize", drawTimeline);

  setSpeed(1);
  await seek(setup.startMs || 0);
  requestAnimationFrame(tick);
  return review;
}

// The review panel under the picture: the controls, the caption, the timeline.
function makePanel(container) {
  const sheet = document.createElement("link");
  sheet.rel = "stylesheet";
  sheet.href = "review.css";
  document.head.append(sheet);
  const panel = document.createElement("section");
  panel.id = "review";
  panel.setAttribute("aria-label", "Review");
  panel.innerHTML = `
    <div class="review-buttons">
      <button data-review="play" aria-label="Play">Play</button>
      <button data-review="step" aria-label="One frame on">Frame +1</button>
      <button data-review="back" aria-label="One second back">−1 s</button>
      <button data-review="forward" aria-label="One second on">+1 s</button>
      <span role="group" aria-label="Speed">
        <button data-speed="0.25" aria-label="Quarter speed" aria-pressed="false">¼×</button>
        <button data-speed="0.5" aria-label="Half speed" aria-pressed="false">½×</button>
        <button data-speed="1" aria-label="Full speed with sound" aria-pressed="true">1×</button>
      </span>
      <button data-review="loop" hidden>Clear the loop</button>
      <button data-review="link">Link to this moment</button>
      <input data-review="linktext" aria-label="Link to this moment" readonly hidden>
    </div>
    <p data-review="building" hidden>Building the picture: drawing the frames that lead to this moment…</p>
    <p data-review="caption" role="status"></p>
    <canvas data-review="timeline" role="img"
      aria-label="The score: a lane per effect module, the cuts, the music's level; click to seek, drag to loop"></canvas>
    <p class="review-hint">Click the timeline to jump, drag across it to loop a range. Keys: space or p play/pause,
      . one frame on, ← → one second.</p>`;
  container.append(panel);
  return panel;
}

// The music's level: the peak of each of perSecond slices a second, 0..1.
function musicLevels(buffer, perSecond) {
  const per = Math.max(1, Math.floor(buffer.sampleRate / perSecond));
  const n = Math.ceil(buffer.length / per);
  const values = new Float32Array(n);
  for (let ch = 0; ch < buffer.numberOfChannels; ++ch) {
    const data = buffer.getChannelData(ch);
    for (let i = 0; i < n; ++i) {
      let peak = values[i];
      const end = Math.min(data.length, (i + 1) * per);
      for (let k = i * per; k < end; k += 4) peak = Math.max(peak, Math.abs(data[k]));
      values[i] = peak;
    }
  }
  return { values, perSecond };
}

// The moment a link names (?review&t=SECONDS), in ms, or 0.
export function reviewStartMs(params) {
  const t = Number(params.get("t"));
  return Number.isFinite(t) && t >= 0 ? Math.min(Math.round(t * 1000), ReviewEndMs - 1) : 0;
}
