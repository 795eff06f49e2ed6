#pragma once
// The effect modules in set-up order. Set-up and release both run in this order;
// the per-pass resets are those of the modules that have one, in the same order.
struct EffectModule {
  const char* Name;
  void (*init)();
  void (*reset)();  // null when the module has no per-pass reset
  void (*release)();
};

extern const EffectModule* const EffectModules;
extern const int EffectModuleCount;

// Every module's set-up in order; after each, the pack's pictures that no later
// set-up and no frame reads are released (their effects keep their own copies).
void initEffectModules();

// Optional watcher of the set-up walk (tools time each module with it): called
// with the module's index and started = true before its set-up, false after.
// Null in the program.
using ModuleSetupWatcher = void (*)(int module, bool started);
extern ModuleSetupWatcher SetupWatcher;
void resetEffectModules();
void freeEffectModules();
