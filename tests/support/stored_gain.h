// The gain where the settings page stores it: the value kGainValueName of
// HKEY_CURRENT_USER\kSettingsKeyPath, a REG_DWORD holding a float's bits.
#pragma once

#include <windows.h>

#include <vector>

namespace gainlet::test {

// The value's type and its four bytes; false when there is no value of
// four bytes.
bool ReadStoredGain(DWORD* type, DWORD* bits);

// Whether the value holds four bytes, whatever its type.
bool HasStoredGain();

// A REG_DWORD, the key created where it is missing; false when it could
// not be written.
bool StoreGainBits(DWORD bits);

// Leaves no value; a missing key or value is no error.
void DeleteStoredGain();

// The bit pattern the value holds for a gain.
DWORD FloatBits(float value);

// Notes the stored gain when made and puts it back when destroyed: the value
// as it was, or none, and the keys it finds missing deleted again.
class StoredGainGuard {
public:
    StoredGainGuard();
    ~StoredGainGuard() { Restore(); }
    StoredGainGuard(const StoredGainGuard&) = delete;
    StoredGainGuard& operator=(const StoredGainGuard&) = delete;

    // A REG_DWORD holding the bit pattern of the float.
    bool Set(float gainDb) { return StoreGainBits(FloatBits(gainDb)); }

    // Puts it back now rather than at destruction; false when the noted
    // state could not be restored.
    bool Restore();

private:
    bool hadParent_ = false, hadKey_ = false, hadValue_ = false;
    DWORD savedType_ = REG_NONE;
    std::vector<BYTE> saved_;
};

}  // namespace gainlet::test
