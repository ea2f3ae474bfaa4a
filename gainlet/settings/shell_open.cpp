#include "settings/shell_open.h"

#include <shellapi.h>

namespace gainlet {

void OpenWithShell(HWND owner, const wchar_t* target) { ShellExecuteW(owner, nullptr, target, nullptr, L".", SW_SHOW); }

}  // namespace gainlet
