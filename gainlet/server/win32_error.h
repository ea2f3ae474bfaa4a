// Win32 error codes as HRESULTs.
#pragma once

#include <windows.h>

namespace gainlet {

// ERROR_SUCCESS can never stand for a failure, so a call that failed without
// an error code gives E_FAIL.
inline HRESULT HResultFromError(DWORD error) { return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error); }

}  // namespace gainlet
