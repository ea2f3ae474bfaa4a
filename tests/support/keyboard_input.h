// Keys pressed as a user presses them: through the system's input queue, to
// the window that has the keyboard focus, so that the key state a dialog
// reads (Shift, Alt) is that of the keys held.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>

namespace gainlet::test {

// Presses the keys down in the order given, then lets them go in reverse:
// {VK_SHIFT, VK_TAB} is Shift+Tab. False when the system took not all of it.
bool PressKeys(std::initializer_list<WORD> keys);

// Presses the keys up to mostPresses times, giving each press three seconds
// to take effect, until reached() holds. False when it never did or the
// system refused the keys.
bool PressKeysUntil(std::initializer_list<WORD> keys, const std::function<bool()>& reached, int mostPresses);

// The window that has the keyboard focus in the thread's input queue.
HWND FocusOfThread(DWORD threadId);

}  // namespace gainlet::test
