#include "plugin_records.h"

#include <objbase.h>

#include <algorithm>

#include "common/unique_handle.h"

namespace testbed {

const wchar_t kRegistrarKeyPath[] = L"Software\\Gainlet Testbed\\Plugin Registrar";

namespace {

void PutString(HKEY key, const wchar_t* name, bool present, const std::wstring& text) {
    if (!present) return;
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

bool GetString(HKEY key, const wchar_t* name, std::wstring* text) {
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) return false;
    std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 2, 0);
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS)
        return false;
    if (type == REG_MULTI_SZ) {
        text->assign(buffer.data(), bytes / sizeof(wchar_t));
        while (!text->empty() && text->back() == L'\0') text->pop_back();
    } else {
        *text = buffer.data();
    }
    return true;
}

DWORD GetDword(HKEY key, const wchar_t* name) {
    DWORD value = 0, bytes = sizeof(value);
    RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &bytes);
    return value;
}

// The names of the subkeys of HKLM\path, sorted (the calls' names are
// zero-padded numbers); none when the key is missing.
std::vector<std::wstring> SubkeyNames(const std::wstring& path) {
    std::vector<std::wstring> names;
    gainlet::RegistryKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[256];
        DWORD length = ARRAYSIZE(name);
        if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The records in the subkeys of HKLM\path, by subkey name.
std::vector<PluginRecord> ReadRecordsIn(const std::wstring& path) {
    std::vector<PluginRecord> records;
    for (const std::wstring& name : SubkeyNames(path)) {
        gainlet::RegistryKey key;
        PluginRecord record;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, (path + L"\\" + name).c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS &&
            ReadRecord(key.get(), &record))
            records.push_back(record);
    }
    return records;
}

}  // namespace

std::wstring GuidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, ARRAYSIZE(text));
    return text;
}

bool ParseGuid(const std::wstring& text, GUID* guid) {
    if (text.size() != 38) return false;
    return SUCCEEDED(CLSIDFromString(const_cast<LPOLESTR>(text.c_str()), guid));
}

LONG WriteRecord(HKEY key, const PluginRecord& record) {
    PutString(key, L"Operation", !record.operation.empty(), record.operation);
    PutString(key, L"PluginType", true, GuidText(record.pluginType));
    PutString(key, L"CLSID", true, GuidText(record.clsid));
    if (record.operation == L"Unregister") return ERROR_SUCCESS;
    PutString(key, L"FriendlyName", record.hasFriendlyName, record.friendlyName);
    PutString(key, L"Description", record.hasDescription, record.description);
    PutString(key, L"UninstallString", record.hasUninstallString, record.uninstallString);
    RegSetValueExW(key, L"Priority", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&record.priority), sizeof(DWORD));
    if (record.order)
        RegSetValueExW(key, L"Order", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&record.order), sizeof(DWORD));
    // "{type} {subtype}" per media type, as a multi-string.
    std::wstring types;
    for (const MediaTypePair& pair : record.mediaTypes)
        types += GuidText(pair.type) + L" " + GuidText(pair.subtype) + L'\0';
    types += L'\0';
    return RegSetValueExW(key, L"MediaTypes", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(types.data()),
                          static_cast<DWORD>(types.size() * sizeof(wchar_t)));
}

bool ReadRecord(HKEY key, PluginRecord* record) {
    std::wstring text;
    GetString(key, L"Operation", &record->operation);
    if (!GetString(key, L"PluginType", &text) || !ParseGuid(text, &record->pluginType)) return false;
    if (!GetString(key, L"CLSID", &text) || !ParseGuid(text, &record->clsid)) return false;
    record->hasFriendlyName = GetString(key, L"FriendlyName", &record->friendlyName);
    record->hasDescription = GetString(key, L"Description", &record->description);
    record->hasUninstallString = GetString(key, L"UninstallString", &record->uninstallString);
    record->priority = GetDword(key, L"Priority");
    record->order = GetDword(key, L"Order");
    record->mediaTypes.clear();
    if (GetString(key, L"MediaTypes", &text)) {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find(L'\0', start);
            if (end == std::wstring::npos) end = text.size();
            const std::wstring item = text.substr(start, end - start);
            MediaTypePair pair{};
            if (item.size() == 77 && ParseGuid(item.substr(0, 38), &pair.type) &&
                ParseGuid(item.substr(39), &pair.subtype))
                record->mediaTypes.push_back(pair);
            start = end + 1;
        }
    }
    return true;
}

std::vector<PluginRecord> ReadRegisteredPlugins() {
    std::vector<PluginRecord> plugins;
    const std::wstring path = std::wstring(kRegistrarKeyPath) + L"\\Plugins";
    for (const std::wstring& type : SubkeyNames(path)) {
        const std::vector<PluginRecord> records = ReadRecordsIn(path + L"\\" + type);
        plugins.insert(plugins.end(), records.begin(), records.end());
    }
    std::stable_sort(plugins.begin(), plugins.end(),
                     [](const PluginRecord& a, const PluginRecord& b) { return a.order < b.order; });
    return plugins;
}

std::vector<PluginRecord> ReadRegistrarCalls() { return ReadRecordsIn(std::wstring(kRegistrarKeyPath) + L"\\Calls"); }

}  // namespace testbed
