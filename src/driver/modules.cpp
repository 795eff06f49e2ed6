#include "driver/modules.h"

// One line per module, in set-up order; added together with the module itself.
static const EffectModule Modules[] = {
    {},
};

const EffectModule* const EffectModules = Modules;
const int EffectModuleCount = int(sizeof(Modules) / sizeof(Modules[0])) - 1;

void initEffectModules() {
  for (int i = 0; i < EffectModuleCount; ++i) Modules[i].init();
}

void resetEffectModules() {
  for (int i = 0; i < EffectModuleCount; ++i)
    if (Modules[i].reset) Modules[i].reset();
}

void freeEffectModules() {
  for (int i = 0; i < EffectModuleCount; ++i) Modules[i].release();
}
