// The full path of the DLL file, as its registry entries name it.
#pragma once

#include <windows.h>

namespace gainlet {

// A path that fills the whole MAX_PATH buffer may have been cut short, so it
// gives HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER) rather than a wrong path.
HRESULT GetModulePath(HMODULE module, wchar_t (&path)[MAX_PATH]);

}  // namespace gainlet
