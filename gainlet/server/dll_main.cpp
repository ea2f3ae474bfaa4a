// Entry points of Gainlet.dll.
#include <windows.h>

#include <type_traits>

#include "class_table.h"
#include "common/this_module.h"
#include "registration.h"

// The C++ runtime's emergency pool for exceptions thrown when memory is out:
// it is allocated when the DLL loads and only this frees it.
namespace __gnu_cxx {
void __freeres();
}  // namespace __gnu_cxx

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        gainlet::ServerModule().Initialize(gainlet::ServerClassTable());
        DisableThreadLibraryCalls(instance);
        break;
    case DLL_PROCESS_DETACH:
        gainlet::ServerModule().Terminate();
        // A host may load and unload the DLL thousands of times: an unload
        // gives back what the load took. At process exit there is nothing to
        // give back to, and other threads may have stopped mid-throw.
        if (!reserved) __gnu_cxx::__freeres();
        break;
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
