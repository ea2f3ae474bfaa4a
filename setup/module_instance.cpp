#include "module_instance.h"

namespace gainlet::setup {

namespace {
HINSTANCE g_moduleInstance = nullptr;
}

void SetModuleInstance(HINSTANCE instance) { g_moduleInstance = instance; }

HINSTANCE ModuleInstance() { return g_moduleInstance ? g_moduleInstance : GetModuleHandleW(nullptr); }

}  // namespace gainlet::setup
