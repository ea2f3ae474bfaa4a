// Entry points of Gainlet.dll.
#include <windows.h>

#include <type_traits>

#include "class_table.h"
#include "common/this_module.h"
#include "registration.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        gainlet::ServerModule().Initialize(gainlet::ServerClassTable());
        DisableThreadLibraryCalls(instance);
        break;
    case DLL_PROCESS_DETACH: gainlet::ServerModule().Terminate(); break;
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() { return gainlet::ServerModule().CanUnloadNow(); }

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* ppv) {
    return gainlet::ServerModule().GetClassObject(clsid, iid, ppv);
}

STDAPI DllRegisterServer() { return gainlet::RegisterServer(gainlet::ThisModule(), gainlet::ServerClassTable()); }

STDAPI DllUnregisterServer() { return gainlet::UnregisterServer(gainlet::ThisModule(), gainlet::ServerClassTable()); }

// Callers find these by name and call them through the platform's pointer
// types, so on i686 any other calling convention would unbalance their
// stack. DllMain matters as much: the C runtime calls the __stdcall
// DllMain@12, and a differently declared one would leave the runtime's own
// empty default in its place, so the server would never initialise.
static_assert(std::is_same_v<decltype(&DllMain), BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID)>);
static_assert(std::is_same_v<decltype(&DllCanUnloadNow), LPFNCANUNLOADNOW>);
static_assert(std::is_same_v<decltype(&DllGetClassObject), LPFNGETCLASSOBJECT>);
static_assert(std::is_same_v<decltype(&DllRegisterServer), HRESULT(STDAPICALLTYPE*)()>);
static_assert(std::is_same_v<decltype(&DllUnregisterServer), HRESULT(STDAPICALLTYPE*)()>);
