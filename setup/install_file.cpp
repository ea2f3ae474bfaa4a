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
    int folderEnd = 0;
    for (DWORD i = 0; i < length; ++i) {
        if (own[i] == L'\\' || own[i] == L'/' || own[i] == L':') folderEnd = static_cast<int>(i) + 1;
    }
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

enum class InUseOutcome { Freed, Cancelled };

// Clears the target's name for the copy. While the target is in use the user
// decides: Try Again deletes again, Continue renames the file aside (it is
// deleted at restart), Cancel gives up. Errors other than "in use" leave the
// decision to the copy, which then fails on the file still there.
InUseOutcome ClearTarget(const wchar_t* target) {
    if (DeleteOrDeferFile(target, true)) return InUseOutcome::Freed;
    while (GetLastError() == ERROR_ACCESS_DENIED) {
        wchar_t hint[64] = L"";
        LoadStringW(ModuleInstance(), IDS_IN_USE_HINT, hint, ARRAYSIZE(hint));
        const int answer =
            ShowStringMessage(nullptr, IDS_FILE_IN_USE, kInUseQuestion, MessageArg(target), MessageArg(hint));
        if (answer == IDTRYAGAIN) {
            if (DeleteOrDeferFile(target, true)) return InUseOutcome::Freed;
            continue;
        }
        if (answer == IDCONTINUE) {
            DeleteOrDeferFile(target, false);
            return InUseOutcome::Freed;
        }
        return InUseOutcome::Cancelled;
    }
    return InUseOutcome::Freed;
}

}  // namespace

bool InstallFile(unsigned long long* installedSize, const wchar_t* sourceName, const wchar_t* targetName,
                 wchar_t* targetPath) {
    // The source first: a file that cannot be named in the installer's own
    // folder stops the run before anything is created.
    wchar_t source[MAX_PATH];
    if (!BuildSourcePath(sourceName, source)) return ReportFailure(targetName);

    wchar_t target[MAX_PATH];
    if (!BuildInstallPath(target, kInstallFolderName, targetName, true)) return ReportFailure(targetName);
    if (targetPath) lstrcpyW(targetPath, target);

    if (SourceIsNewer(source, target)) {
        if (ClearTarget(target) == InUseOutcome::Cancelled) return ReportFailure(targetName);
        if (!CopyFileW(source, target, FALSE)) return ReportFailure(targetName);
    } else if (GetFileAttributesW(target) == INVALID_FILE_ATTRIBUTES) {
        // Nothing offered and nothing installed: the file is not in place,
        // and an installation without it must not pass for a success.
        return ReportFailure(targetName);
    }

    if (installedSize) *installedSize += QueryFileSize(target);
    return true;
}

}  // namespace gainlet::setup
