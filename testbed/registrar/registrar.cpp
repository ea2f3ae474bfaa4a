// Stand-in for the media player's plug-in registrar, which Wine lacks. It
// records every call (see plugin_records.h) and keeps the current list.
//
// For failure tests, the values "FailPluginType" (a GUID string) and
// "FailWith" (a DWORD HRESULT) under the record key make the register call
// for that plug-in type fail with that code, recording nothing.
#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include "common/unique_handle.h"
#include "plugin_records.h"
#include "server/com_module.h"
#include "server/registry_script.h"
#include "wmp_plugin.h"

using gainlet::InterfaceEntry;
using gainlet::RegistryKey;

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

HRESULT FromError(LONG error) { return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error); }

HRESULT OpenRecordKey(const std::wstring& subkey, RegistryKey* key) {
    const std::wstring path = std::wstring(testbed::kRegistrarKeyPath) + (subkey.empty() ? L"" : L"\\" + subkey);
    return FromError(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_READ | KEY_WRITE, nullptr, key->put(), nullptr));
}

DWORD ReadDword(HKEY key, const wchar_t* name) {
    DWORD value = 0, bytes = sizeof(value);
    if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &bytes) != ERROR_SUCCESS) return 0;
    return value;
}

// Takes the next number of a counter value under key (1, 2, ...).
DWORD NextNumber(HKEY key, const wchar_t* name) {
    DWORD next = ReadDword(key, name) + 1;
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&next), sizeof(next));
    return next;
}

HRESULT RecordCall(const testbed::PluginRecord& record) {
    RegistryKey root, call;
    HRESULT hr = OpenRecordKey(L"", &root);
    if (FAILED(hr)) return hr;
    wchar_t name[16];
    swprintf(name, ARRAYSIZE(name), L"%08lu", static_cast<unsigned long>(NextNumber(root.get(), L"CallCount")));
    hr = OpenRecordKey(std::wstring(L"Calls\\") + name, &call);
    if (FAILED(hr)) return hr;
    return FromError(testbed::WriteRecord(call.get(), record));
}

std::wstring PluginPath(const GUID& type, const CLSID& clsid) {
    return L"Plugins\\" + testbed::GuidText(type) + L"\\" + testbed::GuidText(clsid);
}

class CRegistrarStandIn : public gainlet::ComObjectRoot, public IWMPMediaPluginRegistrar {
public:
    static const InterfaceEntry* InterfaceTable() {
        static const InterfaceEntry table[] = {
            GAINLET_INTERFACE_ENTRY(CRegistrarStandIn, IWMPMediaPluginRegistrar, IID_IWMPMediaPluginRegistrar),
            {nullptr, 0},
        };
        return table;
    }

    STDMETHODIMP WMPRegisterPlayerPlugin(LPWSTR friendlyName, LPWSTR description, LPWSTR uninstallString,
                                         DWORD priority, GUID pluginType, CLSID clsid, UINT mediaTypeCount,
                                         LPVOID mediaTypes) override {
        if (mediaTypeCount && !mediaTypes) return E_POINTER;
        HRESULT hr = InjectedFailure(pluginType);
        if (FAILED(hr)) return hr;

        testbed::PluginRecord record;
        record.operation = L"Register";
        record.pluginType = pluginType;
        record.clsid = clsid;
        record.hasFriendlyName = friendlyName != nullptr;
        record.hasDescription = description != nullptr;
        record.hasUninstallString = uninstallString != nullptr;
        if (friendlyName) record.friendlyName = friendlyName;
        if (description) record.description = description;
        if (uninstallString) record.uninstallString = uninstallString;
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
        hr = FromError(testbed::WriteRecord(plugin.get(), record));
        if (FAILED(hr)) return hr;
        record.order = 0;
        return RecordCall(record);
    }

    // Like the player's, fails for a plug-in that is not registered.
    STDMETHODIMP WMPUnRegisterPlayerPlugin(GUID pluginType, CLSID clsid) override {
        testbed::PluginRecord record;
        record.operation = L"Unregister";
        record.pluginType = pluginType;
        record.clsid = clsid;
        HRESULT hr = RecordCall(record);
        if (FAILED(hr)) return hr;
        const std::wstring path = std::wstring(testbed::kRegistrarKeyPath) + L"\\" + PluginPath(pluginType, clsid);
        return FromError(RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str()));
    }

private:
    static HRESULT InjectedFailure(const GUID& pluginType) {
        RegistryKey root;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, testbed::kRegistrarKeyPath, 0, KEY_READ, root.put()) != ERROR_SUCCESS)
            return S_OK;
        wchar_t text[64] = {};
        DWORD bytes = sizeof(text) - sizeof(wchar_t);
        GUID failType{};
        if (RegQueryValueExW(root.get(), L"FailPluginType", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &bytes) !=
                ERROR_SUCCESS ||
            !testbed::ParseGuid(text, &failType) || !IsEqualGUID(failType, pluginType))
            return S_OK;
        return static_cast<HRESULT>(ReadDword(root.get(), L"FailWith"));
    }
};

gainlet::ClassEntry classTable[] = {
    {&CLSID_WMPMediaPluginRegistrar, 0, gainlet::CreateComObject<CRegistrarStandIn>, nullptr},
    {nullptr, 0, nullptr, nullptr},
};

gainlet::ComModule module;

// The same script language as Gainlet's own class keys.
const wchar_t kClassScript[] =
    L"HKCR { NoRemove CLSID { ForceRemove {5569E7F5-424B-4B93-89CA-79D17924689A} = s 'Media player plug-in "
    L"registrar stand-in' { InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Both' } } } }";

HRESULT RunClassScript(gainlet::ScriptMode mode) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return E_FAIL;
    std::wstring quoted;
    for (DWORD i = 0; i < length; ++i) {
        quoted += path[i];
        if (path[i] == L'\'') quoted += L'\'';
    }
    std::wstring script;
    HRESULT hr = gainlet::SubstituteReplacements(kClassScript, {{L"Module", quoted}}, &script);
    return SUCCEEDED(hr) ? gainlet::ApplyRegistryScript(script, mode) : hr;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module.Initialize(classTable);
        DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH) {
        module.Terminate();
    }
    return TRUE;
}

STDAPI DllCanUnloadNow() { return module.CanUnloadNow(); }
STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* ppv) { return module.GetClassObject(clsid, iid, ppv); }
STDAPI DllRegisterServer() { return RunClassScript(gainlet::ScriptMode::Register); }
STDAPI DllUnregisterServer() { return RunClassScript(gainlet::ScriptMode::Unregister); }
