#pragma once

#include <windows.h>

namespace gainlet::setup {

// Deletes root\parentPath\subKey if it exists and has no sub-keys of its
// own (RegDeleteKeyW leaves a key that still has some); silent otherwise.
void DeleteRegistryKey(HKEY root, const wchar_t* parentPath, const wchar_t* subKey);

}  // namespace gainlet::setup
