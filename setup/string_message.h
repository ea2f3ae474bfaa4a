// Message boxes filled from the installer's string table.
#pragma once
#include <windows.h>

namespace gainlet::setup {

// A format argument of ShowStringMessage: a string pointer or a number, as
// wsprintfW reads it from the argument list.
inline ULONG_PTR MessageArg(const wchar_t* text) { return reinterpret_cast<ULONG_PTR>(text); }

// Loads the caption (103) and the text with the given id and shows the text
// formatted with the arguments. Returns the button chosen, as MessageBoxW
// does.
int ShowFormattedMessage(HWND owner, UINT stringId, UINT type, const ULONG_PTR (&arguments)[8]);

// The same with up to eight arguments; the format decides how many it reads,
// and every one it may read is there (0 for the missing).
template <typename... Arguments>
int ShowStringMessage(HWND owner, UINT stringId, UINT type, Arguments... arguments) {
    static_assert(sizeof...(Arguments) <= 8, "a message takes at most eight arguments");
    const ULONG_PTR all[8] = {static_cast<ULONG_PTR>(arguments)...};
    return ShowFormattedMessage(owner, stringId, type, all);
}

}  // namespace gainlet::setup
