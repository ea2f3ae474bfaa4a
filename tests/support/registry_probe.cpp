#include "registry_probe.h"

#include "common/unique_handle.h"

namespace gainlet::test {

bool KeyExists(HKEY root, const std::wstring& path) {
    RegistryKey key;
    return RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) == ERROR_SUCCESS;
}

std::wstring StringValue(HKEY root, const std::wstring& path, const wchar_t* name) {
    RegistryKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return L"<absent>";
    wchar_t data[1024] = {};
    DWORD bytes = sizeof(data) - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) != ERROR_SUCCESS)
        return L"<absent>";
    return type == REG_SZ ? std::wstring(data) : L"<not REG_SZ>";
}

}  // namespace gainlet::test
