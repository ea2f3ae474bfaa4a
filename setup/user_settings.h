// The plug-in's per-user settings, removed on uninstall.
#pragma once

namespace gainlet::setup {

// Deletes "Software\Gainlet\DSP Plugin" and then "Software\Gainlet" under
// HKEY_CURRENT_USER; keys already gone are fine.
void RemoveUserSettings();

}  // namespace gainlet::setup
