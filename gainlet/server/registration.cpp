#include "registration.h"

#include <oleauto.h>
#include <uuids.h>
#include <wrl/client.h>

#include "common/unique_handle.h"
#include "engine/media_layouts.h"
#include "gainlet.h"
#include "class_keys.h"
#include "module_path.h"
#include "resource.h"
#include "type_library.h"
#include "wmp_plugin.h"

using Microsoft::WRL::ComPtr;

namespace gainlet {
namespace {

// A missing or empty string leaves the BSTR null; that is no error.
void LoadStringAsBstr(HMODULE module, UINT id, BSTR* text) {
    const wchar_t* resource = nullptr;
    const int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length > 0 && resource) *text = SysAllocStringLen(resource, length);
}

HRESULT CreateRegistrar(ComPtr<IWMPMediaPluginRegistrar>* registrar) {
    return CoCreateInstance(CLSID_WMPMediaPluginRegistrar, nullptr, CLSCTX_INPROC_SERVER, IID_IWMPMediaPluginRegistrar,
                            reinterpret_cast<void**>(registrar->ReleaseAndGetAddressOf()));
}

}  // namespace

HRESULT RegisterClasses(HMODULE module, const ClassEntry* classes) {
    wchar_t path[MAX_PATH];
    HRESULT hr = GetModulePath(module, path);
    for (const ClassEntry* entry = classes; SUCCEEDED(hr) && entry->clsid; ++entry)
        hr = RegisterClassKeys(HKEY_CLASSES_ROOT, entry->registryEntries, path);
    return hr;
}

HRESULT UnregisterClasses(HMODULE module, const ClassEntry* classes) {
    // The path is not needed here, but a module whose path cannot be read
    // whole is refused in both directions alike.
    wchar_t path[MAX_PATH];
    HRESULT hr = GetModulePath(module, path);
    for (const ClassEntry* entry = classes; SUCCEEDED(hr) && entry->clsid; ++entry)
        hr = UnregisterClassKeys(HKEY_CLASSES_ROOT, entry->registryEntries);
    return hr;
}

BOOL IsVistaOrLater() {
    OSVERSIONINFOW version;
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExW(&version) == 1 && version.dwMajorVersion >= 6;
}

HRESULT RegisterServer(HMODULE module, const ClassEntry* classes) {
    // Without the player's registrar nothing is registered at all.
    ComPtr<IWMPMediaPluginRegistrar> registrar;
    HRESULT hr = CreateRegistrar(&registrar);
    if (FAILED(hr)) return hr;

    OwnedBstr friendlyName, description;
    LoadStringAsBstr(module, IDS_PLUGIN_NAME, friendlyName.put());
    LoadStringAsBstr(module, IDS_PLUGIN_DESCRIPTION, description.put());
    DMO_PARTIAL_MEDIATYPE mediaType = {MEDIATYPE_Audio, MEDIASUBTYPE_PCM};

    hr = registrar->WMPRegisterPlayerPlugin(friendlyName.get(), description.get(), nullptr, 1, WMP_PLUGINTYPE_DSP,
                                            CLSID_Gainlet, 1, &mediaType);
    if (SUCCEEDED(hr) && IsVistaOrLater())
        hr = registrar->WMPRegisterPlayerPlugin(friendlyName.get(), description.get(), nullptr, 1,
                                                WMP_PLUGINTYPE_DSP_OUTOFPROC, CLSID_Gainlet, 1, &mediaType);
    if (SUCCEEDED(hr)) hr = RegisterClasses(module, classes);
    if (SUCCEEDED(hr)) hr = RegisterTypeLibrary(module);
    return hr;
}

HRESULT UnregisterServer(HMODULE module, const ClassEntry* classes) {
    ComPtr<IWMPMediaPluginRegistrar> registrar;
    HRESULT hr = CreateRegistrar(&registrar);
    if (FAILED(hr)) return hr;

    // The player's own list may already lack us; that must not keep the
    // class keys in place.
    registrar->WMPUnRegisterPlayerPlugin(WMP_PLUGINTYPE_DSP, CLSID_Gainlet);
    if (IsVistaOrLater()) registrar->WMPUnRegisterPlayerPlugin(WMP_PLUGINTYPE_DSP_OUTOFPROC, CLSID_Gainlet);
    hr = UnregisterClasses(module, classes);
    if (SUCCEEDED(hr)) hr = UnregisterTypeLibrary(module);
    return hr;
}

}  // namespace gainlet
