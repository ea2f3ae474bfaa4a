// Removing a file that may be in use.
#pragma once
#include <windows.h>

namespace gainlet::setup {

// Whether a failed deletion, rename or replacement means that another
// process holds the file: loaded, running, or open without sharing.
bool IsInUseError(DWORD error);

// Clears the file's read-only attribute, keeping its others.
void ClearReadOnly(const wchar_t* path);

// Deletes the file, clearing its read-only attribute first. A missing file
// (or folder) counts as deleted. When the file is in use and deleteOnly is false, it is
// renamed aside to <base>.000 ... <base>.999 in its folder and that name is
// scheduled for deletion at the next restart, which frees the original name
// at once; a file that cannot even be renamed is scheduled for deletion at
// the restart under its own name. On failure the thread's last error is the
// one of the failed deletion.
bool DeleteOrDeferFile(const wchar_t* path, bool deleteOnly);

// Renames the file to its first free backup name and has the platform delete
// that name at the next restart.
bool RenameAsideUntilRestart(const wchar_t* path);

// The n-th name a file is renamed aside to: its extension (from the last dot
// of the file name, if any) replaced by ".%03u". False when n > 999 or the
// result would not fit MAX_PATH.
bool BuildBackupPath(const wchar_t* path, unsigned n, wchar_t* backupPath);

}  // namespace gainlet::setup
