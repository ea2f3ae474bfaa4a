#include "delete_or_defer.h"

#include "install_path.h"

namespace gainlet::setup {

namespace {

const unsigned kLastBackupNumber = 999;

}  // namespace

bool RenameAsideUntilRestart(const wchar_t* path) {
    for (unsigned n = 0; n <= kLastBackupNumber; ++n) {
        wchar_t backupPath[MAX_PATH];
        if (!BuildBackupPath(path, n, backupPath)) return false;
        // Flags 0: a plain rename that never replaces an existing backup.
        if (MoveFileExW(path, backupPath, 0))
            return MoveFileExW(backupPath, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != FALSE;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

bool BuildBackupPath(const wchar_t* path, unsigned n, wchar_t* backupPath) {
    if (n > kLastBackupNumber) return false;
    const int length = lstrlenW(path);
    const int nameStart = FileNameStart(path);
    int extensionStart = length;
    for (int i = length - 1; i >= nameStart; --i) {
        if (path[i] == L'.') {
            extensionStart = i;
            break;
        }
    }
    const int kSuffixLength = 4;  // ".NNN"
    if (extensionStart + kSuffixLength >= MAX_PATH) return false;
    lstrcpynW(backupPath, path, extensionStart + 1);
    wsprintfW(backupPath + extensionStart, L".%03u", n);
    return true;
}

bool IsInUseError(DWORD error) { return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION; }

void ClearReadOnly(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}

bool DeleteOrDeferFile(const wchar_t* path, bool deleteOnly) {
    ClearReadOnly(path);
    if (DeleteFileW(path)) return true;
    const DWORD deleteError = GetLastError();
    // Nothing to delete, also when its folder is gone.
    if (deleteError == ERROR_FILE_NOT_FOUND || deleteError == ERROR_PATH_NOT_FOUND) return true;
    if (!IsInUseError(deleteError) || deleteOnly) return false;

    if (RenameAsideUntilRestart(path)) return true;
    // A handle opened without FILE_SHARE_DELETE, as a scanner or a backup
    // tool holds one, blocks the rename too: the file itself then goes at
    // the restart, under its own name.
    if (MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) return true;
    SetLastError(deleteError);
    return false;
}

}  // namespace gainlet::setup
