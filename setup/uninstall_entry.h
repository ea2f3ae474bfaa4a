// The installer's entry in the system's list of installed programs.
#pragma once
#include <windows.h>

namespace gainlet::setup {

extern const wchar_t kUninstallKey[];        // ...\CurrentVersion\Uninstall\Gainlet
extern const wchar_t kUninstallParentKey[];  // ...\CurrentVersion\Uninstall
extern const wchar_t kUninstallSubKey[];     // Gainlet

// Creates or opens the entry and writes its values: display name, publisher,
// estimated size in units of 1000 bytes, the uninstall command and icon
// (both naming the installed Setup.exe) and, when the DLL carries a product
// version, the display version. False only when the key cannot be created.
bool WriteUninstallEntry(unsigned long long installedSize, const wchar_t* installedSetupPath,
                         const wchar_t* installedDllPath);

// "1.1.0.1", or "Beta-0.9.2.0" when the major number is 0, for a version whose
// most significant half is in the upper 32 bits. The text needs at most 28
// characters and the buffer holds 32.
void FormatDisplayVersion(unsigned long long version, wchar_t (&text)[32]);

// Removes the entry; a missing entry is fine.
void RemoveUninstallEntry();

}  // namespace gainlet::setup
