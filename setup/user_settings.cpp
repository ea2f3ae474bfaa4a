#include "user_settings.h"

#include "registry_delete.h"

// The inner key goes first: a key with sub-keys is not deleted.
void RemoveUserSettings()
{
    DeleteRegistryKey(HKEY_CURRENT_USER, L"Software\\Gainlet", L"DSP Plugin");
    DeleteRegistryKey(HKEY_CURRENT_USER, L"Software", L"Gainlet");
}
