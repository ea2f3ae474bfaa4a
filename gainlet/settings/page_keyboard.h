// The keys a property page keeps for its own controls. Everything else is
// the frame's: Enter and Escape (its OK and Cancel), Tab past either end of
// the page, Alt combinations other than the page's own mnemonics, and the
// function keys.
#pragma once

#include <windows.h>

namespace gainlet {

// Handles a keyboard message for a window of page: hands it to the control
// it is meant for, moves the focus within the page, or acts on one of the
// page's mnemonics. False when the key belongs to the frame; the message is
// then left untouched.
bool TranslatePageKey(HWND page, MSG* message);

}  // namespace gainlet
