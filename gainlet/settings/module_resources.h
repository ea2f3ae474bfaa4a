// Strings of the module's own resources (ThisModule(): the DLL in the media
// player, the test program when the resources are linked into a test).
#pragma once

#include <windows.h>
#include <objbase.h>

namespace gainlet {

// A fresh CoTaskMem copy of a string of the module's string table, in the
// language the resource loader picks; null when it cannot be loaded.
LPOLESTR LoadTaskMemString(UINT id);

}  // namespace gainlet
