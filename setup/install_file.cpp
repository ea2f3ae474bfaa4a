#include "install_file.h"

#include "delete_or_defer.h"
#include "file_facts.h"
#include "install_path.h"
#include "module_instance.h"
#include "res/resource.h"
#include "string_message.h"

namespace gainlet::setup {

namespace {

const UINT kInUseQuestion = MB_CANCELTRYCONTINUE | MB_ICONQUESTION | MB_DEFBUTTON2;

// <folder of the running installer>\name. False when that path cannot be
// formed: a bare name would be looked up in the current directory, which
// whoever starts the installer chooses.
bool BuildSourcePath(const wchar_t* name, wchar_t* sourcePath) {
    wchar_t own[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    // A path that fills the buffer has been cut short (and on Windows XP is
    // not even terminated).
    if (length == 0 || length >= MAX_PATH) return false;
    const int folderEnd = FileNameStart(own);
    if (folderEnd == 0 || folderEnd + lstrlenW(name) >= MAX_PATH) return false;
    lstrcpynW(sourcePath, own, folderEnd + 1);
    lstrcatW(sourcePath, name);
    return true;
}

bool SourceIsNewer(const wchar_t* source, const wchar_t* target) {
    const unsigned long long sourceVersion = QueryFileVersion(source, false);
    const unsigned long long targetVersion = QueryFileVersion(target, false);
    if (sourceVersion != targetVersion) return sourceVersion > targetVersion;
    return QueryLastWriteTime(source) > QueryLastWriteTime(target);
}

bool ReportFailure(const wchar_t* targetName) {
    ShowStringMessage(nullptr, IDS_INSTALL_FAILED, MB_ICONERROR, MessageArg(targetName));
    return false;
}

// A copy of the source under a temporary name beside the target, removed
// again unless it has taken the target's place.
class StagedCopy {
public:
    StagedCopy(const StagedCopy&) = delete;
    StagedCopy& operator=(const StagedCopy&) = delete;
    StagedCopy() = default;
    ~StagedCopy() {
        if (path_[0]) DeleteFileW(path_);
    }

    bool Stage(const wchar_t* source, const wchar_t* target) {
        wchar_t folder[MAX_PATH];
        lstrcpyW(folder, target);
        folder[FileNameStart(folder)] = L'\0';
        // Creates the file, so that the name stays this run's.
        if (!GetTempFileNameW(folder, L"gnl", 0, path_)) {
            path_[0] = L'\0';
            return false;
        }
        return CopyFileW(source, path_, FALSE) != FALSE;
    }

    // Puts the copy in the target's place in one step: whoever holds the old
    // file keeps it, and a deletion pending on the old file cannot take the
    // new one with it.
    bool Replace(const wchar_t* target) {
        ClearReadOnly(target);
        if (!MoveFileExW(path_, target, MOVEFILE_REPLACE_EXISTING)) return false;
        path_[0] = L'\0';
        return true;
    }

private:
    wchar_t path_[MAX_PATH] = L"";
};

// Replaces the target with a staged copy of the source. While the target is
// in use the user decides: Try Again tries again, Continue renames the file
// aside (it is deleted at restart) and puts the copy in its name, Cancel
// gives up. False when the copy is not in place; the target is then as it
// was.
bool ReplaceTarget(const wchar_t* source, const wchar_t* target) {
    StagedCopy staged;
    if (!staged.Stage(source, target)) return false;
    while (!staged.Replace(target)) {
        if (!IsInUseError(GetLastError())) return false;
        wchar_t hint[64] = L"";
        LoadStringW(ModuleInstance(), IDS_IN_USE_HINT, hint, ARRAYSIZE(hint));
        const int answer =
            ShowStringMessage(nullptr, IDS_FILE_IN_USE, kInUseQuestion, MessageArg(target), MessageArg(hint));
        if (answer == IDTRYAGAIN) continue;
        if (answer != IDCONTINUE) return false;
        return RenameAsideUntilRestart(target) && staged.Replace(target);
    }
    return true;
}

}  // namespace

bool VerifySource(const wchar_t* sourceName) {
    wchar_t source[MAX_PATH];
    if (BuildSourcePath(sourceName, source)) {
        const DWORD attributes = GetFileAttributesW(source);
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    }
    return ReportFailure(sourceName);
}

bool InstallFile(unsigned long long* installedSize, const wchar_t* sourceName, const wchar_t* targetName,
                 wchar_t* targetPath) {
    wchar_t source[MAX_PATH];
    if (!BuildSourcePath(sourceName, source)) return ReportFailure(targetName);

    wchar_t target[MAX_PATH];
    if (!BuildInstallPath(target, kInstallFolderName, targetName, true)) return ReportFailure(targetName);
    if (targetPath) lstrcpyW(targetPath, target);

    if (SourceIsNewer(source, target)) {
        if (!ReplaceTarget(source, target)) return ReportFailure(targetName);
    } else if (GetFileAttributesW(target) == INVALID_FILE_ATTRIBUTES) {
        // Nothing offered and nothing installed: the file is not in place,
        // and an installation without it must not pass for a success.
        return ReportFailure(targetName);
    }

    if (installedSize) *installedSize += QueryFileSize(target);
    return true;
}

}  // namespace gainlet::setup
