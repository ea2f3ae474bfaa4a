// Putting one file of the installer's folder in place in the install folder.
#pragma once
#include <windows.h>

namespace gainlet::setup {

// Copies <installer's folder>\sourceName to <install folder>\targetName
// unless the installed file is as new (file version first, then last-write
// time). The file is copied to a temporary name in the install folder and
// then takes the target's name in one step; an installed file in use brings
// up the in-use question. Adds the
// size of the file that ends up installed to *installedSize (when given) and
// writes the target's full path to targetPath (MAX_PATH, when given). On
// failure the user has been told (message 108) and false is returned; that
// includes a source path too long to form, which is never looked for
// anywhere but in the installer's folder.
// Whether <installer's folder>\sourceName is a file. When it is not, or
// its path cannot be formed, the user has been told (message 108 with the
// name) and false is returned. Checked for every file before the first is
// installed, so that a run that cannot finish changes nothing.
bool VerifySource(const wchar_t* sourceName);

bool InstallFile(unsigned long long* installedSize, const wchar_t* sourceName, const wchar_t* targetName,
                 wchar_t* targetPath);

}  // namespace gainlet::setup
