// Removing a file that may be in use.
#pragma once
#include <windows.h>

namespace gainlet::setup {

// Deletes the file, clearing its read-only attribute first. A missing file
// counts as deleted. When the deletion is denied (the file is in use) and
// deleteOnly is false, the file is renamed aside to <base>.000 ... <base>.999
// in its folder and that name is scheduled for deletion at the next restart,
// which frees the original name at once. On failure the thread's last error
// is the one of the failed deletion.
bool DeleteOrDeferFile(const wchar_t* path, bool deleteOnly);

// The n-th name a file is renamed aside to: its extension (from the last dot
// of the file name, if any) replaced by ".%03u". False when n > 999 or the
// result would not fit MAX_PATH.
bool BuildBackupPath(const wchar_t* path, unsigned n, wchar_t* backupPath);

}  // namespace gainlet::setup
