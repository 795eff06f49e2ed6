// Prepended to morvex-hashes in node (--pre-js). Creating the wasm memory
// (240 MiB, counted as external memory) starts a garbage collection whose
// marking runs beside the program; while main runs without returning to the
// event loop, its last step waited for whatever point of the show came next:
// on a busy machine the first frame (6 ms instead of 0.4). The page's show
// starts many event-loop turns after its module, so main starts here only
// once that collection has finished (or after 250 ms without one).
var settleMajorCollections = 0;
var settleObserver = null;
try {
  var settleHooks = require('perf_hooks');
  settleObserver = new settleHooks.PerformanceObserver(function (list) {
    list.getEntries().forEach(function (entry) {
      var kind = entry.detail ? entry.detail.kind : entry.kind;
      if (kind === settleHooks.constants.NODE_PERFORMANCE_GC_MAJOR) settleMajorCollections++;
    });
  });
  settleObserver.observe({entryTypes: ['gc']});
} catch (e) {
  settleObserver = null;
}
Module['preRun'] = Module['preRun'] || [];
Module['preRun'].push(function () {
  if (!settleObserver) return;
  var start = Date.now();
  addRunDependency('settle');
  (function check() {
    if (settleMajorCollections > 0 || Date.now() - start >= 250) {
      settleObserver.disconnect();
      removeRunDependency('settle');
    } else {
      setTimeout(check, 1);
    }
  })();
});
