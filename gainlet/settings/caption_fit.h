// Fits a dialog's controls to their captions in the font and at the DPI the
// dialog was created with. Dialog units are whole pixels, and the average
// character width they come from grows in other steps than the text does, so
// a caption that fits at one DPI or with one font may be cut at another.
#pragma once

#include <windows.h>

#include <cstddef>

namespace gainlet {

// A text a control shows later in place of its caption; the control is
// fitted to the wider of the two.
struct LongestText {
    int controlId;
    const wchar_t* text;
};

// Widens every static and push button that would cut its caption, makes a
// wrapped text as tall as its lines, and keeps an edit listed in longest wide
// enough for its text. A neighbour to the right or below moves only where
// the two would overlap. Returns how much the dialog must grow, in pixels,
// to hold the fitted controls.
SIZE FitControlsToCaptions(HWND dialog, const LongestText* longest, std::size_t count);

}  // namespace gainlet
