#include "install_file.h"
#include "regsvr32.h"
#include "res/resource.h"
#include "setup_flow.h"
#include "string_message.h"
#include "uninstall_entry.h"

namespace gainlet::setup {

int RunInstall() {
    if (ShowStringMessage(nullptr, IDS_INSTALL_QUESTION, MB_YESNO | MB_ICONQUESTION) != IDYES) return kSetupSucceeded;

    // The installer takes its own copy from "Setup.exe" beside it, whatever
    // name the running program file has. Both files must be there before
    // anything is created: a run that stops half-way leaves an installer
    // without its plug-in, or an empty folder.
    if (!VerifySource(L"Setup.exe") || !VerifySource(L"Gainlet.dll")) return kSetupFailed;
    unsigned long long installedSize = 0;
    wchar_t installedSetup[MAX_PATH] = L"";
    wchar_t installedDll[MAX_PATH] = L"";
    if (!InstallFile(&installedSize, L"Setup.exe", L"Setup.exe", installedSetup)) return kSetupFailed;
    if (!InstallFile(&installedSize, L"Gainlet.dll", L"Gainlet.dll", installedDll)) return kSetupFailed;

    const Regsvr32Result registration = RunRegsvr32(kRegisterCommand, installedDll);
    if (registration == Regsvr32Result::NotStarted) {
        ShowStringMessage(nullptr, IDS_REGSVR32_FAILED, MB_ICONERROR);
        return kSetupFailed;
    }

    // The entry is written even after a failed registration, which the tool
    // has reported itself: the copied files can then still be removed.
    // Without the entry the plug-in is still installed and registered; that
    // alone does not fail the run.
    WriteUninstallEntry(installedSize, installedSetup, installedDll);
    return registration == Regsvr32Result::Succeeded ? kSetupSucceeded : kSetupFailed;
}

}  // namespace gainlet::setup
