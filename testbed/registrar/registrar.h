// The registrar stand-in's COM server: the one class it serves and the count
// of what keeps the DLL loaded.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace testbed {

// A registry function's result as an HRESULT.
inline HRESULT FromError(LONG error) { return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error); }

// Creates a registrar object and asks it for iid.
HRESULT CreateRegistrar(REFIID iid, void** ppv);

// The count of what keeps the DLL loaded: every live object and each
// IClassFactory::LockServer(TRUE). DllCanUnloadNow says yes only at zero.
void LockModule();
void UnlockModule();

}  // namespace testbed
