#include "setup_flow.h"

#include "module_instance.h"

namespace gainlet::setup {

bool IsUninstallRequest(const wchar_t* arguments) {
    if (!arguments) return false;
    while (*arguments == L' ' || *arguments == L'\t') ++arguments;
    return arguments[0] == L'/' && (arguments[1] == L'u' || arguments[1] == L'U');
}

int RunSetup(HINSTANCE instance, const wchar_t* arguments) {
    SetModuleInstance(instance);
    return IsUninstallRequest(arguments) ? RunUninstall() : RunInstall();
}

}  // namespace gainlet::setup
