#include "user_settings.h"

#include "registry_delete.h"
#include "settings_key.h"

namespace gainlet::setup {

// The inner key goes first: a key with sub-keys is not deleted.
void RemoveUserSettings() {
    DeleteRegistryKey(HKEY_CURRENT_USER, gainlet::kProductKeyPath, gainlet::kSettingsKeyName);
    DeleteRegistryKey(HKEY_CURRENT_USER, gainlet::kSoftwareKeyPath, gainlet::kProductKeyName);
}

}  // namespace gainlet::setup
