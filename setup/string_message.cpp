#include "string_message.h"

#include "module_instance.h"
#include "res/resource.h"

namespace gainlet::setup {

int ShowFormattedMessage(HWND owner, UINT stringId, UINT type, const ULONG_PTR (&arguments)[8]) {
    wchar_t caption[64] = L"";
    wchar_t format[1024] = L"";
    wchar_t text[1024] = L"";
    LoadStringW(ModuleInstance(), IDS_CAPTION, caption, ARRAYSIZE(caption));
    LoadStringW(ModuleInstance(), stringId, format, ARRAYSIZE(format));
    // wsprintfW never writes more than 1024 characters, its own limit.
    wsprintfW(text, format, arguments[0], arguments[1], arguments[2], arguments[3], arguments[4], arguments[5],
              arguments[6], arguments[7]);
    return MessageBoxW(owner, text, caption, type);
}

}  // namespace gainlet::setup
