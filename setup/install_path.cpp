#include "install_path.h"

#include <shlobj.h>

namespace gainlet::setup {

const wchar_t kInstallFolderName[] = L"GainletPlugin";

namespace {

const wchar_t kProgramFilesBesideWindows[] = L"\\..\\Program Files";

// Appends "\part" to path, or just "part" when path is empty or already ends
// in a backslash. The room for a backslash is demanded either way, so the
// same part fits or does not fit whatever the base looks like.
bool AppendPathPart(wchar_t* path, const wchar_t* part) {
    const int length = lstrlenW(path);
    if (length + lstrlenW(part) + 1 >= MAX_PATH) return false;
    if (length > 0 && path[length - 1] != L'\\') lstrcatW(path, L"\\");
    lstrcatW(path, part);
    return true;
}

bool ProgramFilesFromWindowsDirectory(wchar_t* path) {
    wchar_t windowsDirectory[MAX_PATH];
    const UINT length = GetSystemWindowsDirectoryW(windowsDirectory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    return ProgramFilesBesideWindows(path, windowsDirectory);
}

}  // namespace

bool ProgramFilesBesideWindows(wchar_t* path, const wchar_t* windowsDirectory) {
    const int length = lstrlenW(windowsDirectory);
    if (length + lstrlenW(kProgramFilesBesideWindows) >= MAX_PATH) return false;
    wchar_t relative[MAX_PATH];
    lstrcpyW(relative, windowsDirectory);
    lstrcatW(relative, kProgramFilesBesideWindows);
    const DWORD full = GetFullPathNameW(relative, MAX_PATH, path, nullptr);
    return full != 0 && full < MAX_PATH;
}

bool AppendInstallPath(wchar_t* path, const wchar_t* subFolder, const wchar_t* fileName, bool createFolder) {
    if (subFolder && !AppendPathPart(path, subFolder)) return false;
    // The result is not examined: an existing folder is fine, and a folder
    // that could not be made shows up as a failure to copy into it.
    if (createFolder) SHCreateDirectoryExW(nullptr, path, nullptr);
    return AppendPathPart(path, fileName);
}

bool BuildInstallPath(wchar_t* path, const wchar_t* subFolder, const wchar_t* fileName, bool createFolder) {
    wchar_t built[MAX_PATH] = L"";
    if (!SHGetSpecialFolderPathW(nullptr, built, CSIDL_PROGRAM_FILES, TRUE) && !ProgramFilesFromWindowsDirectory(built))
        return false;
    if (!AppendInstallPath(built, subFolder, fileName, createFolder)) return false;
    lstrcpyW(path, built);
    return true;
}

int FileNameStart(const wchar_t* path) {
    int start = 0;
    for (int i = 0; path[i]; ++i) {
        if (path[i] == L'\\' || path[i] == L'/' || path[i] == L':') start = i + 1;
    }
    return start;
}

void RemoveInstallFolder() {
    wchar_t folder[MAX_PATH];
    if (!BuildInstallPath(folder, nullptr, kInstallFolderName, false)) return;
    if (RemoveDirectoryW(folder)) return;
    // A file due for deletion at the restart keeps the folder until then.
    // Queued after the files, the folder goes at the same restart, once it
    // is empty; one that still holds something else stays.
    const DWORD attributes = GetFileAttributesW(folder);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        MoveFileExW(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

}  // namespace gainlet::setup
