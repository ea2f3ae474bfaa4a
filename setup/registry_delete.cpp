#include "registry_delete.h"

void DeleteRegistryKey(HKEY root, const wchar_t* parentPath, const wchar_t* subKey)
{
    HKEY parent = nullptr;
    if (RegOpenKeyExW(root, parentPath, 0, KEY_READ | KEY_WRITE, &parent) != ERROR_SUCCESS)
        return;
    RegDeleteKeyW(parent, subKey);
    RegCloseKey(parent);
}
