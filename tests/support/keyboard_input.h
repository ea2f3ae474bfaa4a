// Keys pressed as a user presses them: through the system's input queue, to
// the window that has the keyboard focus, so that the key state a dialog
// reads (Shift, Alt) is that of the keys held.
#pragma once

#include <windows.h>

#include <initializer_list>

namespace gainlet::test {

// Presses the keys down in the order given, then lets them go in reverse:
// {VK_SHIFT, VK_TAB} is Shift+Tab. False when the system took not all of it.
bool PressKeys(std::initializer_list<WORD> keys);

}  // namespace gainlet::test
