// Hands a file or address to the shell, which opens it with its default
// verb (a browser for a web page).
#pragma once

#include <windows.h>

namespace gainlet {

// The shell's result is not checked: a target that cannot be opened is not
// reported. Alone in its source file, so that the settings tests can link a
// recorder in its place and no browser starts during a test run.
void OpenWithShell(HWND owner, const wchar_t* target);

}  // namespace gainlet
