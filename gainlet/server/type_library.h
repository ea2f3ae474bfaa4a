// The type library the DLL carries (TYPELIB resource 1): it describes
// IGainlet to the platform's type-library marshaller, so that a caller in
// another apartment or process (a settings page in the player's process
// while the DSP object runs in the player's audio process) gets a working
// proxy. Registering it writes the TypeLib key and, for IGainlet, the
// Interface key whose proxy-stub class is that marshaller.
#pragma once

#include <windows.h>

namespace gainlet {

// A failed registration is taken back as far as it got; the failure is
// returned.
HRESULT RegisterTypeLibrary(HMODULE module);

// Nothing registered is no error, so unregistering twice succeeds.
HRESULT UnregisterTypeLibrary(HMODULE module);

}  // namespace gainlet
