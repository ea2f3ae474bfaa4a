// The module this code is linked into: the DLL when it is linked into the
// DLL, the program when it is linked into a program (a test, say).
#pragma once

#include <windows.h>

// The linker's symbol for the start of the image.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace gainlet {

inline HMODULE ThisModule() { return reinterpret_cast<HMODULE>(&__ImageBase); }

}  // namespace gainlet
