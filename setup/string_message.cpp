#include "string_message.h"

#include "module_instance.h"
#include "res/resource.h"

namespace gainlet::setup {

int ShowStringMessage(HWND owner, UINT stringId, UINT type, ULONG_PTR a1, ULONG_PTR a2, ULONG_PTR a3, ULONG_PTR a4,
                      ULONG_PTR a5, ULONG_PTR a6, ULONG_PTR a7, ULONG_PTR a8) {
    wchar_t caption[64] = L"";
    wchar_t format[1024] = L"";
    wchar_t text[1024] = L"";
    LoadStringW(ModuleInstance(), IDS_CAPTION, caption, ARRAYSIZE(caption));
    LoadStringW(ModuleInstance(), stringId, format, ARRAYSIZE(format));
    // wsprintfW never writes more than 1024 characters, its own limit.
    wsprintfW(text, format, a1, a2, a3, a4, a5, a6, a7, a8);
    return MessageBoxW(owner, text, caption, type);
}

}  // namespace gainlet::setup
