// Stand-in for the media player's plug-in registrar, which Wine lacks. It
// records every call (see plugin_records.h) and keeps the current list.
//
// For failure tests, the values "FailPluginType" (a GUID string) and
// "FailWith" (a DWORD HRESULT) under the record key make the register call
// for that plug-in type fail with that code, recording nothing.
#include "registrar.h"

#include <wrl/client.h>

#include <cstdio>
#include <new>

#include "common/unique_handle.h"
#include "plugin_records.h"
#include "single_interface_object.h"
#include "wmp_plugin.h"

using gainlet::RegistryKey;

namespace testbed {
namespace {

HRESULT OpenRecordKey(const std::wstring& subkey, RegistryKey* key) {
    const std::wstring path = std::wstring(kRegistrarKeyPath) + (subkey.empty() ? L"" : L"\\" + subkey);
    return FromError(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE, nullptr, key->put(), nullptr));
}

DWORD ReadDword(HKEY key, const wchar_t* name) {
    DWORD value = 0, bytes = sizeof(value);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS)
        return 0;
    return value;
}

// Takes the next number of a counter value under key (1, 2, ...).
DWORD NextNumber(HKEY key, const wchar_t* name) {
    DWORD next = ReadDword(key, name) + 1;
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&next), sizeof(next));
    return next;
}

HRESULT RecordCall(const PluginRecord& record) {
    RegistryKey root, call;
    HRESULT hr = OpenRecordKey(L"", &root);
    if (FAILED(hr)) return hr;
    wchar_t name[16];
    swprintf(name, ARRAYSIZE(name), L"%08lu", static_cast<unsigned long>(NextNumber(root.get(), L"CallCount")));
    hr = OpenRecordKey(std::wstring(L"Calls\\") + name, &call);
    if (FAILED(hr)) return hr;
    return FromError(WriteRecord(call.get(), record));
}

std::wstring PluginPath(const GUID& type, const CLSID& clsid) {
    return L"Plugins\\" + GuidText(type) + L"\\" + GuidText(clsid);
}

PluginRecord CallRecord(const wchar_t* operation, const GUID& pluginType, const CLSID& clsid) {
    PluginRecord record;
    record.operation = operation;
    record.pluginType = pluginType;
    record.clsid = clsid;
    return record;
}

// A null string is recorded as an absent value.
void TakeString(const wchar_t* text, bool* present, std::wstring* value) {
    *present = text != nullptr;
    if (text) *value = text;
}

// The failure a test asked for with FailPluginType and FailWith, else S_OK.
HRESULT InjectedFailure(const GUID& pluginType) {
    RegistryKey root;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRegistrarKeyPath, 0, KEY_READ, root.put()) != ERROR_SUCCESS) return S_OK;
    wchar_t text[64] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    GUID failType{};
    if (RegQueryValueExW(root.get(), L"FailPluginType", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &bytes) !=
            ERROR_SUCCESS ||
        !ParseGuid(text, &failType) || !IsEqualGUID(failType, pluginType))
        return S_OK;
    return static_cast<HRESULT>(ReadDword(root.get(), L"FailWith"));
}

class Registrar final : public SingleInterfaceObject<Registrar, IWMPMediaPluginRegistrar> {
public:
    Registrar() { LockModule(); }
    ~Registrar() { UnlockModule(); }

    STDMETHODIMP WMPRegisterPlayerPlugin(LPWSTR friendlyName, LPWSTR description, LPWSTR uninstallString,
                                         DWORD priority, GUID pluginType, CLSID clsid, UINT mediaTypeCount,
                                         LPVOID mediaTypes) override {
        if (mediaTypeCount && !mediaTypes) return E_POINTER;
        HRESULT hr = InjectedFailure(pluginType);
        if (FAILED(hr)) return hr;

        PluginRecord record = CallRecord(L"Register", pluginType, clsid);
        TakeString(friendlyName, &record.hasFriendlyName, &record.friendlyName);
        TakeString(description, &record.hasDescription, &record.description);
        TakeString(uninstallString, &record.hasUninstallString, &record.uninstallString);
        record.priority = priority;
        const auto* types = static_cast<const DMO_PARTIAL_MEDIATYPE*>(mediaTypes);
        for (UINT i = 0; i < mediaTypeCount; ++i) record.mediaTypes.push_back({types[i].type, types[i].subtype});

        RegistryKey root, plugin;
        hr = OpenRecordKey(L"", &root);
        if (FAILED(hr)) return hr;
        hr = OpenRecordKey(PluginPath(pluginType, clsid), &plugin);
        if (FAILED(hr)) return hr;
        // A repeated registration keeps its place in the list.
        record.order = ReadDword(plugin.get(), L"Order");
        if (record.order == 0) record.order = NextNumber(root.get(), L"OrderCount");
        hr = FromError(WriteRecord(plugin.get(), record));
        if (FAILED(hr)) return hr;
        record.order = 0;
        return RecordCall(record);
    }

    // Like the player's, fails for a plug-in that is not registered.
    STDMETHODIMP WMPUnRegisterPlayerPlugin(GUID pluginType, CLSID clsid) override {
        const HRESULT hr = RecordCall(CallRecord(L"Unregister", pluginType, clsid));
        if (FAILED(hr)) return hr;
        const std::wstring path = std::wstring(kRegistrarKeyPath) + L"\\" + PluginPath(pluginType, clsid);
        return FromError(RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()));
    }
};

}  // namespace

HRESULT CreateRegistrar(REFIID iid, void** ppv) {
    const Microsoft::WRL::ComPtr<Registrar> registrar(new (std::nothrow) Registrar);
    if (!registrar) return E_OUTOFMEMORY;
    return registrar->QueryInterface(iid, ppv);
}

}  // namespace testbed
