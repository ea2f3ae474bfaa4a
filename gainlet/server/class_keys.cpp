#include "class_keys.h"

#include <cwchar>

#include "common/unique_handle.h"
#include "win32_error.h"

namespace gainlet {
namespace {

HRESULT Result(LONG error) { return error == ERROR_SUCCESS ? S_OK : HResultFromError(error); }

// RegDeleteTreeW is not on every supported system; subkeys go first. True
// when the key is gone.
bool DeleteKeyTree(HKEY parent, const wchar_t* name) {
    RegistryKey key;
    if (RegOpenKeyExW(parent, name, 0, KEY_READ | KEY_WRITE, key.put()) != ERROR_SUCCESS) return false;
    DWORD index = 0;
    for (;;) {
        wchar_t subkey[256];  // the longest key name the registry allows, and the null
        DWORD length = ARRAYSIZE(subkey);
        if (RegEnumKeyExW(key.get(), index, subkey, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        // A subkey that cannot go is stepped over, so the walk ends.
        if (!DeleteKeyTree(key.get(), subkey)) ++index;
    }
    key.reset();
    return RegDeleteKeyW(parent, name) == ERROR_SUCCESS;
}

HRESULT WriteEntry(HKEY root, const RegistryEntry& entry, const wchar_t* modulePath) {
    RegistryKey key;
    HRESULT hr = Result(RegCreateKeyExW(root, entry.key, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                        nullptr, key.put(), nullptr));
    if (FAILED(hr)) return hr;
    const wchar_t* data = entry.data ? entry.data : modulePath;
    const DWORD bytes = static_cast<DWORD>((std::wcslen(data) + 1) * sizeof(wchar_t));
    return Result(RegSetValueExW(key.get(), entry.valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data), bytes));
}

HRESULT RemoveEntry(HKEY root, const RegistryEntry& entry) {
    RegistryKey key;
    LONG error = RegOpenKeyExW(root, entry.key, 0, KEY_READ | KEY_WRITE, key.put());
    if (error == ERROR_FILE_NOT_FOUND) return S_OK;
    if (error != ERROR_SUCCESS) return HResultFromError(error);

    if (entry.valueName) {
        error = RegDeleteValueW(key.get(), entry.valueName);
        return error == ERROR_FILE_NOT_FOUND ? S_OK : Result(error);
    }
    // A key that other software still uses (it has subkeys left) stays.
    DWORD subkeys = 0;
    error = RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr);
    if (error != ERROR_SUCCESS) return HResultFromError(error);
    key.reset();
    if (subkeys != 0) return S_OK;
    error = RegDeleteKeyW(root, entry.key);
    return error == ERROR_FILE_NOT_FOUND ? S_OK : Result(error);
}

// From end back to first, so values go before their key and a key before
// its parent.
HRESULT RemoveEntries(HKEY root, const RegistryEntry* first, const RegistryEntry* end) {
    while (end != first) {
        const HRESULT hr = RemoveEntry(root, *--end);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

}  // namespace

HRESULT RegisterClassKeys(HKEY root, const RegistryEntry* entries, const wchar_t* modulePath) {
    DeleteKeyTree(root, entries[0].key);  // what stays of it cannot be helped, and is overwritten
    for (const RegistryEntry* entry = entries; entry->key; ++entry) {
        const HRESULT hr = WriteEntry(root, *entry, modulePath);
        if (FAILED(hr)) {
            RemoveEntries(root, entries, entry);
            return hr;
        }
    }
    return S_OK;
}

HRESULT UnregisterClassKeys(HKEY root, const RegistryEntry* entries) {
    const RegistryEntry* end = entries;
    while (end->key) ++end;
    return RemoveEntries(root, entries, end);
}

}  // namespace gainlet
