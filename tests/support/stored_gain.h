// The gain where the settings page stores it: the value kGainValueName of
// HKEY_CURRENT_USER\kSettingsKeyPath, a REG_DWORD holding a float's bits.
#pragma once

#include <windows.h>

namespace gainlet::test {

// The value's type and its four bytes; false when there is no value of
// four bytes.
bool ReadStoredGain(DWORD* type, DWORD* bits);

// A REG_DWORD, the key created where it is missing; false when it could
// not be written.
bool StoreGainBits(DWORD bits);

// Leaves no value; a missing key or value is no error.
void DeleteStoredGain();

// The bit pattern the value holds for a gain.
DWORD FloatBits(float value);

}  // namespace gainlet::test
