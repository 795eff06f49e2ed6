// The browser side of the web platform (src/web/web_main.cpp). The page gives
// every instance its state as Module.morvex (see player.js): the audio context
// with the decoded music, the presenter, the queue of key events and the
// page's listeners.
mergeInto(LibraryManager.library, {
  // Starts the music where the last position put it; a playing stream is left alone.
  webPlayMusic: function () {
    var m = Module.morvex;
    if (m.source) return;
    var source = m.audio.createBufferSource();
    source.buffer = m.music;
    source.connect(m.gain);
    // The position counts from the moment the context starts this source.
    m.startedAt = m.audio.currentTime;
    m.startOffset = m.offset;
    source.start(m.startedAt, Math.min(m.offset, m.music.duration));
    m.source = source;
  },

  webSetMusicPosition__deps: ['webPlayMusic'],
  webSetMusicPosition: function (seconds) {
    var m = Module.morvex;
    m.offset = seconds;
    m.lastHeard = 0;
    if (m.source) {
      m.source.stop();
      m.source.disconnect();
      m.source = null;
      _webPlayMusic();
    }
  },

  // The position being heard, counted from the start of the source. Where the
  // browser tells which context time is leaving the speakers when
  // (getOutputTimestamp), that time carried on by the page's clock to now (at
  // most 0.1 s, should the audio stall); elsewhere the context's time less the
  // output latency (or the base latency). The context's own time moves in the
  // bursts of its audio callbacks, 10 to 40 ms apart. After the end of the music
  // the position goes on in real time, as silence would; it never goes
  // backwards within a pass and never below the start.
  webHeardSeconds: function () {
    var m = Module.morvex;
    if (!m.source) return m.offset;
    var a = m.audio, contextTime;
    var stamp = a.getOutputTimestamp ? a.getOutputTimestamp() : null;
    if (stamp && stamp.contextTime > 0 && stamp.performanceTime > 0) {
      var ahead = (performance.now() - stamp.performanceTime) / 1000;
      contextTime = stamp.contextTime + Math.min(Math.max(ahead, 0), 0.1);
    } else {
      var latency = a.outputLatency > 0 ? a.outputLatency : a.baseLatency > 0 ? a.baseLatency : 0;
      contextTime = a.currentTime - latency;
    }
    var heard = m.startOffset + Math.max(0, contextTime - m.startedAt);
    if (heard < m.lastHeard) heard = m.lastHeard;
    m.lastHeard = heard;
    return heard;
  },

  // The page's presenter (present.js) puts the RGBA bytes of the rows that
  // changed on the canvas; it is given the memory anew each frame, since the
  // memory may have grown.
  webShowFrame: function (rgba, width, height, firstRow, rows, demoTime, frame, pass, fading) {
    var m = Module.morvex;
    m.presenter.show(HEAPU8, rgba, width, height, firstRow, rows);
    m.onFrame(demoTime, frame, pass, fading !== 0);
  },

  // The two functions are made once per instance: a frame allocates nothing of
  // the page's own (Asyncify's wakeUp is its own).
  webWaitForFrame__deps: ['$Asyncify'],
  webWaitForFrame: function () {
    var m = Module.morvex;
    if (!m.sleepUntilFrame) {
      m.onAnimationFrame = function () {
        m.wokeAt = performance.now();
        var wakeUp = m.wakeUp;
        m.wakeUp = null;
        wakeUp();
      };
      m.sleepUntilFrame = function (wakeUp) {
        m.wakeUp = wakeUp;
        requestAnimationFrame(m.onAnimationFrame);
      };
    }
    return Asyncify.handleSleep(m.sleepUntilFrame);
  },

  webNextKeyEvent: function () {
    var q = Module.morvex.keys;
    return q.length ? q.shift() : -1;
  },

  webFadeOutMusic__deps: ['$Asyncify'],
  webFadeOutMusic: function () {
    return Asyncify.handleSleep(function (wakeUp) {
      var m = Module.morvex;
      var now = m.audio.currentTime;
      m.gain.gain.setValueAtTime(m.gain.gain.value, now);
      m.gain.gain.linearRampToValueAtTime(0, now + 0.2);
      setTimeout(function () {
        if (m.source) m.source.stop();
        m.source = null;
        m.audio.close().then(wakeUp, wakeUp);
      }, 200);
    });
  },

  webRandomSeed: function () { return Module.morvex.seed; },

  webShowEnded: function () { Module.morvex.onEnded(); },
});
