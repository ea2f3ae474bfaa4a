#include "install_file.h"

#include "delete_or_defer.h"
#include "file_facts.h"
#include "install_path.h"
#include "module_instance.h"
#include "res/resource.h"
#include "string_message.h"

namespace {

const UINT kInUseQuestion = MB_CANCELTRYCONTINUE | MB_ICONQUESTION | MB_DEFBUTTON2;

// <folder of the running installer>\name, or name alone (relative to the
// current directory) when the installer's own path cannot be had.
void BuildSourcePath(const wchar_t* name, wchar_t* sourcePath)
{
    wchar_t own[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        int folderEnd = 0;
        for (DWORD i = 0; i < length; ++i) {
            if (own[i] == L'\\' || own[i] == L'/' || own[i] == L':')
                folderEnd = static_cast<int>(i) + 1;
        }
        if (folderEnd + lstrlenW(name) < MAX_PATH) {
            lstrcpynW(sourcePath, own, folderEnd + 1);
            lstrcatW(sourcePath, name);
            return;
        }
    }
    lstrcpynW(sourcePath, name, MAX_PATH);
}

bool SourceIsNewer(const wchar_t* source, const wchar_t* target)
{
    const unsigned long long sourceVersion = QueryFileVersion(source, false);
    const unsigned long long targetVersion = QueryFileVersion(target, false);
    if (sourceVersion != targetVersion)
        return sourceVersion > targetVersion;
    return QueryLastWriteTime(source) > QueryLastWriteTime(target);
}

bool ReportFailure(const wchar_t* targetName)
{
    ShowStringMessage(nullptr, IDS_INSTALL_FAILED, MB_ICONERROR, MessageArg(targetName));
    return false;
}

enum class InUseOutcome { Freed, Cancelled };

// Clears the target's name for the copy. While the target is in use the user
// decides: Try Again deletes again, Continue renames the file aside (it is
// deleted at restart), Cancel gives up. Errors other than "in use" leave the
// decision to the copy, which then fails on the file still there.
InUseOutcome ClearTarget(const wchar_t* target)
{
    if (DeleteOrDeferFile(target, true))
        return InUseOutcome::Freed;
    while (GetLastError() == ERROR_ACCESS_DENIED) {
        wchar_t hint[64] = L"";
        LoadStringW(ModuleInstance(), IDS_IN_USE_HINT, hint, ARRAYSIZE(hint));
        const int answer = ShowStringMessage(nullptr, IDS_FILE_IN_USE, kInUseQuestion,
                                             MessageArg(target), MessageArg(hint));
        if (answer == IDTRYAGAIN) {
            if (DeleteOrDeferFile(target, true))
                return InUseOutcome::Freed;
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

bool InstallFile(unsigned long long* installedSize, const wchar_t* sourceName,
                 const wchar_t* targetName, wchar_t* targetPath)
{
    wchar_t target[MAX_PATH];
    if (!BuildInstallPath(target, kInstallFolderName, targetName, true))
        return ReportFailure(targetName);
    if (targetPath)
        lstrcpyW(targetPath, target);

    wchar_t source[MAX_PATH];
    BuildSourcePath(sourceName, source);

    if (SourceIsNewer(source, target)) {
        if (ClearTarget(target) == InUseOutcome::Cancelled)
            return ReportFailure(targetName);
        if (!CopyFileW(source, target, FALSE))
            return ReportFailure(targetName);
    } else if (GetFileAttributesW(target) == INVALID_FILE_ATTRIBUTES) {
        // Nothing offered and nothing installed: the file is not in place,
        // and an installation without it must not pass for a success.
        return ReportFailure(targetName);
    }

    if (installedSize)
        *installedSize += QueryFileSize(target);
    return true;
}
