#include "user_settings.h"

#include <windows.h>

namespace {

// RegDeleteKeyW leaves a key that still has sub-keys, so the inner key goes
// first.
void DeleteSubKey(const wchar_t* parentPath, const wchar_t* subKey)
{
    HKEY parent = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, parentPath, 0, KEY_READ | KEY_WRITE, &parent)
        != ERROR_SUCCESS)
        return;
    RegDeleteKeyW(parent, subKey);
    RegCloseKey(parent);
}

}  // namespace

void RemoveUserSettings()
{
    DeleteSubKey(L"Software\\Gainlet", L"DSP Plugin");
    DeleteSubKey(L"Software", L"Gainlet");
}
