// An owned registry key handle.
#pragma once

#include <windows.h>

namespace gainlet {

class RegistryKey {
public:
    RegistryKey() = default;
    explicit RegistryKey(HKEY key) : key(key) {}
    ~RegistryKey() { Reset(); }
    RegistryKey(RegistryKey&& other) noexcept : key(other.Release()) {}
    RegistryKey& operator=(RegistryKey&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY Get() const { return key; }
    HKEY* Put() {
        Reset();
        return &key;
    }
    HKEY Release() {
        HKEY k = key;
        key = nullptr;
        return k;
    }
    void Reset(HKEY k = nullptr) {
        if (key) RegCloseKey(key);
        key = k;
    }
    explicit operator bool() const { return key != nullptr; }

private:
    HKEY key = nullptr;
};

// A Win32 error code as an HRESULT; ERROR_SUCCESS can never stand for a
// failure, so a call that failed without an error code gives E_FAIL.
inline HRESULT HResultFromError(DWORD error) {
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

}  // namespace gainlet
