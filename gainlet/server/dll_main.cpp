// Entry points of Gainlet.dll.
#include <windows.h>

#include "class_table.h"
#include "registration.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {
HMODULE ThisModule() { return reinterpret_cast<HMODULE>(&__ImageBase); }
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        gainlet::ServerModule().Initialize(gainlet::ServerClassTable());
        DisableThreadLibraryCalls(instance);
        break;
    case DLL_PROCESS_DETACH:
        gainlet::ServerModule().Terminate();
        break;
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() { return gainlet::ServerModule().CanUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* ppv) {
    return gainlet::ServerModule().GetClassObject(clsid, iid, ppv);
}

STDAPI DllRegisterServer() { return gainlet::RegisterServer(ThisModule(), gainlet::ServerClassTable()); }

STDAPI DllUnregisterServer() { return gainlet::UnregisterServer(ThisModule(), gainlet::ServerClassTable()); }
