// The page about the system's peak limiter: a resource of the module that
// the web page button hands to the browser as a file.
#pragma once

#include <windows.h>

namespace gainlet {

// The copy's name in the user's temporary folder.
constexpr wchar_t kPeakLimiterPageFileName[] = L"Gainlet-peak-limiter.html";

// Writes the page into the user's temporary folder, replacing an older copy,
// and gives its full path; false when no complete copy could be written.
bool WritePeakLimiterPage(wchar_t (&path)[MAX_PATH]);

}  // namespace gainlet
