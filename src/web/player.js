// The player and its controls: one showing of the program in a fresh instance,
// the keys (Escape, the space bar), press-and-hold on the picture, Stop,
// Fullscreen and Fill, and the controls that appear on pointer movement and
// fade away while the show runs undisturbed.

// The X key codes the program reads (a PC keyboard's); events are queued as
// code * 2 + (1 pressed, 0 released) until the next present drains them.
const EscapeCode = 9;
const SpaceCode = 65;
const KeyCodes = { "Escape": EscapeCode, " ": SpaceCode };
const ControlsShownMs = 3000;

// setup: { stage, canvas, controls, buttons: {stop, fullscreen, fill}, page,
// presenter, seed, loop, onLayout, onEnded(), onFailed(text) }
export function makePlayer(setup) {
  const { stage, controls, buttons, page } = setup;
  let keys = [];
  let running = false;
  let holding = null;  // the pointer holding the picture
  let hideTimer = 0;

  const push = (code, down) => { if (running) keys.push(code * 2 + (down ? 1 : 0)); };

  // ---- keys as shortcuts
  function onKey(e, down) {
    const code = KeyCodes[e.key];
    if (code === undefined || !running) return;
    if (e.target.closest && e.target.closest("button") && e.key === " ") return;  // a focused button's own key
    e.preventDefault();
    push(code, down);
  }
  document.addEventListener("keydown", (e) => onKey(e, true));
  document.addEventListener("keyup", (e) => onKey(e, false));

  // ---- the controls: shown on touch or pointer movement, faded while undisturbed
  function showControls() {
    if (!running) return;
    controls.classList.remove("idle");
    clearTimeout(hideTimer);
    hideTimer = setTimeout(() => {
      if (running && !controls.contains(document.activeElement)) controls.classList.add("idle");
    }, ControlsShownMs);
  }
  stage.addEventListener("pointermove", showControls);
  controls.addEventListener("focusin", showControls);

  // ---- press-and-hold on the picture: the space bar's hold
  stage.addEventListener("pointerdown", (e) => {
    showControls();
    if (!running || holding !== null || e.button !== 0 || e.target.closest("button")) return;
    holding = e.pointerId;
    if (stage.setPointerCapture) stage.setPointerCapture(e.pointerId);
    push(SpaceCode, true);
    e.preventDefault();
  });
  const release = (e) => {
    if (holding === null || e.pointerId !== holding) return;
    holding = null;
    push(SpaceCode, false);
  };
  stage.addEventListener("pointerup", release);
  stage.addEventListener("pointercancel", release);
  stage.addEventListener("contextmenu", (e) => { if (running) e.preventDefault(); });

  // ---- Stop: a tap of Escape, which the program keeps until its next frame
  buttons.stop.addEventListener("click", () => {
    push(EscapeCode, true);
    push(EscapeCode, false);
  });

  // ---- Fullscreen (the page's stand-in for the program's video mode) and Fill
  const fullscreenElement = () => document.fullscreenElement || document.webkitFullscreenElement || null;
  const canFullscreen = document.fullscreenEnabled || document.webkitFullscreenEnabled;
  buttons.fullscreen.hidden = !canFullscreen;
  // After a click or tap (not a key) the keys go back to the picture, so the
  // space bar holds it instead of pressing the button again.
  const backToPicture = (e) => { if (e.detail > 0 && running) setup.canvas.focus(); };
  buttons.fullscreen.addEventListener("click", (e) => {
    backToPicture(e);
    if (fullscreenElement()) {
      (document.exitFullscreen || document.webkitExitFullscreen).call(document);
    } else {
      const request = stage.requestFullscreen || stage.webkitRequestFullscreen;
      const asked = request && request.call(stage);
      if (asked && asked.catch) asked.catch(() => {});
    }
  });
  const onFullscreen = () => {
    const on = fullscreenElement() !== null;
    buttons.fullscreen.textContent = on ? "Leave fullscreen" : "Fullscreen";
    buttons.fill.hidden = !on;
    setup.onLayout();
  };
  document.addEventListener("fullscreenchange", onFullscreen);
  document.addEventListener("webkitfullscreenchange", onFullscreen);
  let fill = false;
  try { fill = localStorage.getItem("morvex.fill") === "1"; } catch (e) { /* storage refused */ }
  const showFill = () => buttons.fill.setAttribute("aria-pressed", fill ? "true" : "false");
  showFill();
  buttons.fill.hidden = true;
  buttons.fill.addEventListener("click", (e) => {
    backToPicture(e);
    fill = !fill;
    try { localStorage.setItem("morvex.fill", fill ? "1" : "0"); } catch (e) { /* storage refused */ }
    showFill();
    setup.onLayout();
  });

  // ---- one showing
  // files: { factory, program (a compiled WebAssembly.Module), pack, music }
  async function play(files) {
    const AudioContextType = window.AudioContext || window.webkitAudioContext;
    const audio = new AudioContextType();  // made within the click: the browser lets it sound
    const gain = audio.createGain();
    gain.connect(audio.destination);
    const resumed = audio.resume();
    keys = [];
    holding = null;
    running = true;
    showControls();
    let lines = [];
    const state = {
      audio, gain, music: files.music, source: null,
      offset: 0, startOffset: 0, startedAt: 0, lastHeard: 0, wokeAt: 0,
      wakeUp: null, sleepUntilFrame: null, onAnimationFrame: null,  // web_platform.js makes them once
      presenter: setup.presenter, seed: setup.seed,
      get keys() { return keys; },
      onFrame: (demoTime, frame, pass, fading) => page.onFrame(state.wokeAt, demoTime, frame, pass, fading),
      onEnded: () => finish(),
    };
    const finish = (failure) => {
      if (!running) return;
      running = false;
      holding = null;
      clearTimeout(hideTimer);
      controls.classList.add("idle");
      if (failure) setup.onFailed(failure);
      else setup.onEnded();
    };
    try {
      await resumed;
    } catch (error) {
      finish(`The browser refused to play sound: ${error.message}`);
      return;
    }
    let instance;
    try {
      instance = await files.factory({
        morvex: state,
        print: (line) => { lines.push(line); console.log(line); },
        printErr: (line) => { lines.push(line); console.warn(line); },
        instantiateWasm: (imports, receive) => {
          WebAssembly.instantiate(files.program, imports).then((i) => receive(i, files.program),
                                                              (e) => finish(`The program cannot start: ${e.message}`));
          return {};
        },
        onAbort: (what) => finish(`The show stopped: ${what}`),
        onExit: (status) => {
          page.exitStatus = status;
          if (status !== 0) {
            const last = lines.filter((l) => l !== "Loading...").pop();
            finish(`The show stopped: ${last || "exit status " + status}`);
          }
        },
      });
    } catch (error) {
      finish(`The program cannot start: ${error && error.message || error}`);
      return;
    }
    instance.FS.writeFile("/data.dat", files.pack);
    const args = ["w"];
    if (setup.loop) args.push("l");
    page.exitStatus = null;
    instance.callMain(args);
    if (!running) audio.close().catch(() => {});
  }

  return { play, isRunning: () => running };
}
