// The installer's module instance: every message is loaded from its string
// table. Set once at start; a test program that links the installer's
// sources without calling SetModuleInstance loads from its own image.
#pragma once
#include <windows.h>

namespace gainlet::setup {

void SetModuleInstance(HINSTANCE instance);
HINSTANCE ModuleInstance();

}  // namespace gainlet::setup
