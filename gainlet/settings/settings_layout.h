// The settings dialog's layout at the DPI and in the fonts it meets.
#pragma once

#include <windows.h>

namespace gainlet {

// Fits the dialog's controls to their captions and to the longest texts the
// dialog shows later: the percentage at +24 dB, a peak, a format, and the
// gain at its lower bound. Returns how much the dialog must grow, in pixels.
SIZE FitSettingsControls(HWND dialog);

// What FitSettingsControls would ask for, from a hidden copy of the dialog:
// a host asks for the page's size before the page has a window.
SIZE MeasureSettingsGrowth();

}  // namespace gainlet
