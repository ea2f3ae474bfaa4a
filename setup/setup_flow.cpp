#include "setup_flow.h"

#include "module_instance.h"
#include "res/resource.h"

bool IsUninstallRequest(const wchar_t* arguments)
{
    if (!arguments)
        return false;
    while (*arguments == L' ' || *arguments == L'\t')
        ++arguments;
    return arguments[0] == L'/' && (arguments[1] == L'u' || arguments[1] == L'U');
}

int ShowSetupMessage(const wchar_t* caption, UINT stringId, UINT type)
{
    wchar_t text[1024] = L"";
    LoadStringW(ModuleInstance(), stringId, text, ARRAYSIZE(text));
    return MessageBoxW(nullptr, text, caption, type);
}

int RunSetup(HINSTANCE instance, const wchar_t* arguments)
{
    SetModuleInstance(instance);
    wchar_t caption[100] = L"";
    LoadStringW(ModuleInstance(), IDS_CAPTION, caption, ARRAYSIZE(caption));
    return IsUninstallRequest(arguments) ? RunUninstall(caption) : RunInstall(caption);
}
