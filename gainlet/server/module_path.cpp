#include "module_path.h"

#include "win32_error.h"

namespace gainlet {

HRESULT GetModulePath(HMODULE module, wchar_t (&path)[MAX_PATH]) {
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0) return HResultFromError(GetLastError());
    if (length >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    path[length] = L'\0';
    return S_OK;
}

}  // namespace gainlet
