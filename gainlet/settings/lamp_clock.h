// The millisecond tick count the lamp's hold time is measured with. One
// replaceable source, so that tests can drive time, wrap-around included.
#pragma once

#include <windows.h>

namespace gainlet {

using TickSource = DWORD(WINAPI*)();

DWORD LampTickCount();

// Installs source (null restores GetTickCount); returns the previous one.
TickSource SetLampTickSource(TickSource source);

}  // namespace gainlet
