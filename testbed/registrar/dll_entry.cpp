// The registrar stand-in's DLL entry points: its class object, whether it
// may be unloaded, and its class keys under HKCR\CLSID, which registration
// writes afresh and unregistration removes whole.
#include <windows.h>
#include <shlwapi.h>
#include <wrl/client.h>

#include <new>
#include <string>

#include "common/this_module.h"
#include "common/unique_handle.h"
#include "plugin_records.h"
#include "registrar.h"
#include "single_interface_object.h"
#include "wmp_plugin.h"

namespace testbed {
namespace {

LONG volatile moduleReferences = 0;

const wchar_t kClassName[] = L"Media player plug-in registrar stand-in";

class ClassFactory final : public SingleInterfaceObject<ClassFactory, IClassFactory> {
public:
    ClassFactory() { LockModule(); }
    ~ClassFactory() { UnlockModule(); }

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return CreateRegistrar(iid, ppv);
    }

    STDMETHODIMP LockServer(BOOL lock) override {
        if (lock)
            LockModule();
        else
            UnlockModule();
        return S_OK;
    }
};

std::wstring ClassKeyPath() { return L"CLSID\\" + GuidText(CLSID_WMPMediaPluginRegistrar); }

HRESULT CreateKey(HKEY parent, const std::wstring& path, gainlet::RegistryKey* key) {
    return FromError(RegCreateKeyExW(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                                     key->put(), nullptr));
}

HRESULT SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    return FromError(RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))));
}

HRESULT DeleteClassKeys() {
    const LONG error = SHDeleteKeyW(HKEY_CLASSES_ROOT, ClassKeyPath().c_str());
    return error == ERROR_FILE_NOT_FOUND ? S_OK : FromError(error);
}

HRESULT WriteClassKeys() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(gainlet::ThisModule(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return E_FAIL;

    gainlet::RegistryKey classKey, serverKey;
    HRESULT hr = CreateKey(HKEY_CLASSES_ROOT, ClassKeyPath(), &classKey);
    if (FAILED(hr)) return hr;
    hr = SetString(classKey.get(), nullptr, kClassName);
    if (FAILED(hr)) return hr;
    hr = CreateKey(classKey.get(), L"InprocServer32", &serverKey);
    if (FAILED(hr)) return hr;
    hr = SetString(serverKey.get(), nullptr, path);
    if (FAILED(hr)) return hr;
    return SetString(serverKey.get(), L"ThreadingModel", L"Both");
}

}  // namespace

void LockModule() { InterlockedIncrement(&moduleReferences); }

void UnlockModule() { InterlockedDecrement(&moduleReferences); }

}  // namespace testbed

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_WMPMediaPluginRegistrar)) return CLASS_E_CLASSNOTAVAILABLE;
    const Microsoft::WRL::ComPtr<testbed::ClassFactory> factory(new (std::nothrow) testbed::ClassFactory);
    if (!factory) return E_OUTOFMEMORY;
    return factory->QueryInterface(iid, ppv);
}

STDAPI DllCanUnloadNow() { return testbed::moduleReferences == 0 ? S_OK : S_FALSE; }

// Whatever an earlier registration left under the class key goes first.
STDAPI DllRegisterServer() {
    HRESULT hr = testbed::DeleteClassKeys();
    if (FAILED(hr)) return hr;
    hr = testbed::WriteClassKeys();
    if (FAILED(hr)) testbed::DeleteClassKeys();
    return hr;
}

STDAPI DllUnregisterServer() { return testbed::DeleteClassKeys(); }
