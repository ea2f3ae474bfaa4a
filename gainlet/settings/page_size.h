// The pixel size at which a property frame lays out a dialog template.
#pragma once

#include <windows.h>

#include <cstddef>

namespace gainlet {

// What the size computation needs of a dialog template (DLGTEMPLATE or
// DLGTEMPLATEEX).
struct DialogTemplateInfo {
    short cx = 0;  // dialog units
    short cy = 0;
    bool hasFont = false;  // DS_SETFONT (or DS_SHELLFONT) present
    WORD pointSize = 0;
    wchar_t faceName[LF_FACESIZE] = {};  // at most 31 characters kept
};

// Reads a template of size bytes; false when it is cut short or malformed.
bool ReadDialogTemplate(const void* data, std::size_t size, DialogTemplateInfo* info);

struct DialogFontMetrics {
    int averageWidth;  // of the 52 letters, rounded to nearest
    int lineHeight;    // height plus external leading
    int charHeight;
};

// Metrics of the named font at pointSize on the screen; the system's dialog
// base units when faceName is null or the font cannot be created.
DialogFontMetrics MeasureDialogFont(const wchar_t* faceName, WORD pointSize);

// The font of the property sheet template (1006) of COMCTL32.DLL.
bool ReadPropertySheetFont(wchar_t (&faceName)[LF_FACESIZE], WORD* pointSize);

// Width from the template's own font; height from the property sheet's line
// height, scaled by the ratio of the two fonts' character heights.
SIZE DialogTemplatePixelSize(const DialogTemplateInfo& dialog);

}  // namespace gainlet
