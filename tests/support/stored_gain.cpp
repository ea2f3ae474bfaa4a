#include "stored_gain.h"

#include <cstring>

#include "common/unique_handle.h"
#include "settings_key.h"

namespace gainlet::test {

bool ReadStoredGain(DWORD* type, DWORD* bits) {
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    DWORD size = sizeof *bits;
    const LONG status =
        RegQueryValueExW(key.get(), kGainValueName, nullptr, type, reinterpret_cast<BYTE*>(bits), &size);
    return status == ERROR_SUCCESS && size == sizeof *bits;
}

bool StoreGainBits(DWORD bits) {
    RegistryKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.get(), kGainValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&bits), sizeof bits) ==
           ERROR_SUCCESS;
}

void DeleteStoredGain() {
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) return;
    RegDeleteValueW(key.get(), kGainValueName);
}

DWORD FloatBits(float value) {
    DWORD bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

}  // namespace gainlet::test
