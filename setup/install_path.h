// Where the installer puts its files: "GainletPlugin" under the Program Files
// folder. Every path fits MAX_PATH (259 characters and the terminator).
#pragma once
#include <windows.h>

namespace gainlet::setup {

extern const wchar_t kInstallFolderName[];  // "GainletPlugin"

// Writes <Program Files>[\subFolder]\fileName into path (MAX_PATH characters),
// creating <Program Files>[\subFolder] first when asked. subFolder may be
// null. False when the Program Files folder cannot be found or the result
// would not fit.
bool BuildInstallPath(wchar_t* path, const wchar_t* subFolder, const wchar_t* fileName, bool createFolder);

// The part of BuildInstallPath after the Program Files folder is known:
// path holds a base folder on entry and the full path on success (on failure
// it may hold a partial result).
bool AppendInstallPath(wchar_t* path, const wchar_t* subFolder, const wchar_t* fileName, bool createFolder);

// The Program Files folder derived from the Windows directory, for when the
// shell cannot name it: windowsDirectory + "\..\Program Files", made full.
bool ProgramFilesBesideWindows(wchar_t* path, const wchar_t* windowsDirectory);

// Where the file name of a path starts: after its last backslash, slash or
// drive colon (0 for a bare name).
int FileNameStart(const wchar_t* path);

// Removes the install folder if it is empty; otherwise has it removed at the
// next restart, after the files already due for deletion then.
void RemoveInstallFolder();

}  // namespace gainlet::setup
