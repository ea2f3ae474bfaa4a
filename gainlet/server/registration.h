// Self-registration of the DLL: the DSP object with the media player's
// plug-in registrar, then the COM class keys of every class in the table,
// then the type library that lets IGainlet be marshalled.
#pragma once

#include <windows.h>

#include "com_module.h"

namespace gainlet {

// module: the DLL (its path goes into the class keys, its resources hold
// the plug-in's name and description).
HRESULT RegisterServer(HMODULE module, const ClassEntry* classes);
HRESULT UnregisterServer(HMODULE module, const ClassEntry* classes);

// The COM class keys alone, under HKEY_CLASSES_ROOT, in table order; the
// first failure stops the walk and is returned.
HRESULT RegisterClasses(HMODULE module, const ClassEntry* classes);
HRESULT UnregisterClasses(HMODULE module, const ClassEntry* classes);

// TRUE only on Windows Vista or later, as GetVersionExW reports it.
BOOL IsVistaOrLater();

}  // namespace gainlet
