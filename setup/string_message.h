// Message boxes filled from the installer's string table.
#pragma once
#include <windows.h>

namespace gainlet::setup {

// A format argument of ShowStringMessage: a string pointer or a number, as
// wsprintfW reads it from the argument list.
inline ULONG_PTR MessageArg(const wchar_t* text) { return reinterpret_cast<ULONG_PTR>(text); }

// Loads the caption (103) and the text with the given id, formats the text
// with up to eight arguments (the format decides how many it reads) and
// shows it. Returns the button chosen, as MessageBoxW does.
int ShowStringMessage(HWND owner, UINT stringId, UINT type, ULONG_PTR a1 = 0, ULONG_PTR a2 = 0, ULONG_PTR a3 = 0,
                      ULONG_PTR a4 = 0, ULONG_PTR a5 = 0, ULONG_PTR a6 = 0, ULONG_PTR a7 = 0, ULONG_PTR a8 = 0);

}  // namespace gainlet::setup
