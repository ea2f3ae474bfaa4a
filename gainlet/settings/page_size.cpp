#include "settings/page_size.h"

#include <cstring>

#include "common/unique_handle.h"

namespace gainlet {
namespace {

// A forward-only reader over the words of a template that refuses to run
// past its end.
class TemplateReader {
public:
    TemplateReader(const void* data, std::size_t size)
        : cursor(static_cast<const BYTE*>(data)), end(static_cast<const BYTE*>(data) + size) {}

    bool Skip(std::size_t bytes) {
        if (static_cast<std::size_t>(end - cursor) < bytes) return false;
        cursor += bytes;
        return true;
    }
    bool ReadWord(WORD* value) {
        if (end - cursor < 2) return false;
        std::memcpy(value, cursor, 2);
        cursor += 2;
        return true;
    }
    bool ReadDword(DWORD* value) {
        if (end - cursor < 4) return false;
        std::memcpy(value, cursor, 4);
        cursor += 4;
        return true;
    }
    // A menu or class field: 0, 0xFFFF plus an ordinal, or a string.
    bool SkipNameOrOrdinal() {
        WORD first;
        if (!ReadWord(&first)) return false;
        if (first == 0) return true;
        if (first == 0xFFFF) return Skip(2);
        return SkipStringAfter(first);
    }
    bool SkipString() {
        WORD c;
        do {
            if (!ReadWord(&c)) return false;
        } while (c != 0);
        return true;
    }
    // Copies a terminated string, keeping at most capacity - 1 characters.
    bool ReadString(wchar_t* out, std::size_t capacity) {
        std::size_t length = 0;
        WORD c;
        for (;;) {
            if (!ReadWord(&c)) return false;
            if (c == 0) break;
            if (length + 1 < capacity) out[length++] = static_cast<wchar_t>(c);
        }
        out[length] = L'\0';
        return true;
    }

private:
    bool SkipStringAfter(WORD first) { return first == 0 || SkipString(); }

    const BYTE* cursor;
    const BYTE* end;
};

constexpr wchar_t kAlphabet[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";

DialogFontMetrics BaseUnitMetrics() {
    const LONG units = GetDialogBaseUnits();
    const int height = HIWORD(units);
    return {LOWORD(units), height, height};
}

}  // namespace

bool ReadDialogTemplate(const void* data, std::size_t size, DialogTemplateInfo* info) {
    TemplateReader reader(data, size);
    WORD version = 0, signature = 0;
    if (!reader.ReadWord(&version) || !reader.ReadWord(&signature)) return false;

    DWORD style = 0;
    WORD x, y, cx, cy, count;
    if (version == 1 && signature == 0xFFFF) {
        DWORD helpId, exStyle;
        if (!reader.ReadDword(&helpId) || !reader.ReadDword(&exStyle) || !reader.ReadDword(&style)) return false;
    } else {
        // DLGTEMPLATE: the two words read were the style.
        style = MAKELONG(version, signature);
        DWORD exStyle;
        if (!reader.ReadDword(&exStyle)) return false;
    }
    if (!reader.ReadWord(&count) || !reader.ReadWord(&x) || !reader.ReadWord(&y) || !reader.ReadWord(&cx) ||
        !reader.ReadWord(&cy)) {
        return false;
    }
    info->cx = static_cast<short>(cx);
    info->cy = static_cast<short>(cy);
    info->hasFont = false;
    info->pointSize = 0;
    info->faceName[0] = L'\0';

    if (!reader.SkipNameOrOrdinal() || !reader.SkipNameOrOrdinal() || !reader.SkipString()) return false;
    if (!(style & DS_SETFONT)) return true;

    if (!reader.ReadWord(&info->pointSize)) return false;
    if (version == 1 && signature == 0xFFFF) {
        // weight, italic and character set: the metrics use their own.
        if (!reader.Skip(4)) return false;
    }
    if (!reader.ReadString(info->faceName, LF_FACESIZE)) return false;
    info->hasFont = true;
    return true;
}

DialogFontMetrics MeasureDialogFont(const wchar_t* faceName, WORD pointSize) {
    if (!faceName) return BaseUnitMetrics();
    const ScreenDC screen(GetDC(nullptr));
    if (!screen) return BaseUnitMetrics();

    const int height = -MulDiv(pointSize, GetDeviceCaps(screen.get(), LOGPIXELSY), 72);
    const FontHandle font(CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_DONTCARE, faceName));
    if (!font) return BaseUnitMetrics();

    const HGDIOBJ previous = SelectObject(screen.get(), font.get());
    SIZE extent{};
    TEXTMETRICW metrics{};
    const bool measured =
        GetTextExtentPoint32W(screen.get(), kAlphabet, 52, &extent) && GetTextMetricsW(screen.get(), &metrics);
    SelectObject(screen.get(), previous);
    if (!measured) return BaseUnitMetrics();

    return {(extent.cx + 26) / 52, static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading),
            static_cast<int>(metrics.tmHeight)};
}

bool ReadPropertySheetFont(wchar_t (&faceName)[LF_FACESIZE], WORD* pointSize) {
    const LibraryHandle comctl(LoadLibraryW(L"COMCTL32.DLL"));
    if (!comctl) return false;
    // The common controls' own property sheet template: its font is the
    // one every property frame lays pages out with.
    constexpr WORD kPropertySheetTemplateId = 1006;
    const HRSRC found = FindResourceW(comctl.get(), MAKEINTRESOURCEW(kPropertySheetTemplateId), RT_DIALOG);
    if (!found) return false;
    const HGLOBAL loaded = LoadResource(comctl.get(), found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return false;

    DialogTemplateInfo sheet;
    if (!ReadDialogTemplate(data, SizeofResource(comctl.get(), found), &sheet) || !sheet.hasFont) return false;
    std::memcpy(faceName, sheet.faceName, sizeof faceName);
    *pointSize = sheet.pointSize;
    return true;
}

SIZE DialogTemplatePixelSize(const DialogTemplateInfo& dialog) {
    const DialogFontMetrics own = MeasureDialogFont(dialog.hasFont ? dialog.faceName : nullptr, dialog.pointSize);

    wchar_t sheetFace[LF_FACESIZE] = {};
    WORD sheetPoints = 0;
    if (!ReadPropertySheetFont(sheetFace, &sheetPoints)) {
        return {MulDiv(dialog.cx, own.averageWidth, 4), MulDiv(dialog.cy, own.lineHeight, 8)};
    }
    const DialogFontMetrics sheet = MeasureDialogFont(sheetFace, sheetPoints);
    return {MulDiv(dialog.cx, own.averageWidth, 4),
            MulDiv(MulDiv(dialog.cy, sheet.lineHeight, 8), own.charHeight, sheet.charHeight)};
}

}  // namespace gainlet
