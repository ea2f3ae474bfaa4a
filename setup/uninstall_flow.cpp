#include "delete_or_defer.h"
#include "install_path.h"
#include "regsvr32.h"
#include "res/resource.h"
#include "setup_flow.h"
#include "string_message.h"
#include "uninstall_entry.h"
#include "user_settings.h"

namespace gainlet::setup {

namespace {

// False when the file stays for good: neither deleted nor due for deletion
// at the next restart.
bool RemoveInstalledFile(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    // The uninstaller normally runs from the installed Setup.exe, which then
    // cannot be deleted: it is renamed aside and goes at the next restart.
    if (!BuildInstallPath(path, kInstallFolderName, name, false)) return true;
    return DeleteOrDeferFile(path, false);
}

}  // namespace

int RunUninstall() {
    if (ShowStringMessage(nullptr, IDS_UNINSTALL_QUESTION, MB_YESNO | MB_ICONQUESTION) != IDYES) return kSetupSucceeded;

    // Unregister before anything is removed: if the tool cannot run, the
    // installation stays whole.
    wchar_t dll[MAX_PATH];
    if (BuildInstallPath(dll, kInstallFolderName, L"Gainlet.dll", false) &&
        RunRegsvr32(kUnregisterCommand, dll) == Regsvr32Result::NotStarted) {
        ShowStringMessage(nullptr, IDS_REGSVR32_FAILED, MB_ICONERROR);
        return kSetupFailed;
    }

    const bool setupRemoved = RemoveInstalledFile(L"Setup.exe");
    const bool dllRemoved = RemoveInstalledFile(L"Gainlet.dll");
    const bool filesGone = setupRemoved && dllRemoved;
    RemoveInstallFolder();
    // A file that stays keeps the entry, so that the user can run it again.
    if (filesGone) RemoveUninstallEntry();
    RemoveUserSettings();
    return filesGone ? kSetupSucceeded : kSetupFailed;
}

}  // namespace gainlet::setup
