#include "stored_gain.h"

#include <cstring>

#include "common/unique_handle.h"
#include "registry_probe.h"
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

bool HasStoredGain() {
    DWORD type, bits;
    return ReadStoredGain(&type, &bits);
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

StoredGainGuard::StoredGainGuard() {
    hadParent_ = KeyExists(HKEY_CURRENT_USER, kProductKeyPath);
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return;
    hadKey_ = true;
    // Sized from the value itself, so that no value is lost for being long.
    DWORD size = 0;
    if (RegQueryValueExW(key.get(), kGainValueName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return;
    saved_.resize(size);
    hadValue_ =
        RegQueryValueExW(key.get(), kGainValueName, nullptr, &savedType_, saved_.data(), &size) == ERROR_SUCCESS;
    saved_.resize(size);
}

bool StoredGainGuard::Restore() {
    if (!hadKey_) {
        RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKeyPath);
        if (!hadParent_) RegDeleteKeyW(HKEY_CURRENT_USER, kProductKeyPath);
        return !KeyExists(HKEY_CURRENT_USER, kSettingsKeyPath);
    }
    RegistryKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
        return false;
    if (hadValue_)
        return RegSetValueExW(key.get(), kGainValueName, 0, savedType_, saved_.data(),
                              static_cast<DWORD>(saved_.size())) == ERROR_SUCCESS;
    const LONG status = RegDeleteValueW(key.get(), kGainValueName);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace gainlet::test
