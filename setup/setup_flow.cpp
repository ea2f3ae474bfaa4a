#include "setup_flow.h"

#include "common/unique_handle.h"
#include "module_instance.h"
#include "res/resource.h"
#include "string_message.h"

namespace gainlet::setup {

bool IsUninstallRequest(const wchar_t* arguments) {
    if (!arguments) return false;
    while (*arguments == L' ' || *arguments == L'\t') ++arguments;
    return arguments[0] == L'/' && (arguments[1] == L'u' || arguments[1] == L'U');
}

namespace {

// One name for every session: an install and an uninstall that overlap
// leave an entry without files, or files without an entry.
const wchar_t kRunningMutexName[] = L"Global\\Gainlet.Setup.Running";

}  // namespace

int RunSetup(HINSTANCE instance, const wchar_t* arguments) {
    SetModuleInstance(instance);
    const gainlet::KernelHandle running(CreateMutexW(nullptr, FALSE, kRunningMutexName));
    // Access denied: the mutex exists, made by an installer of another user.
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || (!running && error == ERROR_ACCESS_DENIED)) {
        ShowStringMessage(nullptr, IDS_ALREADY_RUNNING, MB_ICONERROR);
        return kSetupFailed;
    }
    return IsUninstallRequest(arguments) ? RunUninstall() : RunInstall();
}

}  // namespace gainlet::setup
