// The platform's own programs and DLLs, and nothing planted beside the
// installer. The installer runs elevated from whatever folder it was
// downloaded to, where other downloads may have left a program or a DLL
// under a system name.
#pragma once
#include <windows.h>

namespace gainlet::setup {

// Takes the installer's own folder, and the current directory, out of the
// search for every DLL loaded from now on: the system folder only where the
// platform can say so, otherwise at least without the current directory.
void RestrictDllSearchToSystemFolder();

// Writes <system folder>\name into path (MAX_PATH characters). A 32-bit
// program on 64-bit Windows is answered with the folder of 32-bit system
// files. False when the result would not fit.
bool BuildSystemPath(const wchar_t* name, wchar_t* path);

// Loads a DLL of the system folder by its full path; its own imports are
// looked for beside it first. Null when it cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a loaded DLL, typed as the caller declares it; null when the
// DLL lacks it.
template <typename Function>
Function LibraryFunction(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace gainlet::setup
