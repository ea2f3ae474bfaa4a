#include "settings/caption_fit.h"

#include <algorithm>

namespace gainlet {
namespace {

constexpr int kMaxControls = 32;
constexpr int kTextCapacity = 256;

enum class CaptionKind { None, Line, Wrapped, PushButton, Edit };

struct Control {
    HWND window;
    CaptionKind kind;
    RECT original;  // in the dialog's client coordinates
    RECT rect;
};

bool IsClass(HWND window, const wchar_t* name) {
    wchar_t found[32] = {};
    GetClassNameW(window, found, ARRAYSIZE(found));
    return lstrcmpiW(found, name) == 0;
}

CaptionKind KindOf(HWND window, int lineHeight, LONG clientHeight) {
    const LONG style = GetWindowLongW(window, GWL_STYLE);
    if (IsClass(window, L"Static")) {
        switch (style & SS_TYPEMASK) {
        case SS_LEFT:
        case SS_CENTER:
        case SS_RIGHT:
            // A static laid out for more than one line wraps on purpose; a
            // shorter one is a label that must show on one line.
            return 2 * clientHeight >= 3 * lineHeight ? CaptionKind::Wrapped : CaptionKind::Line;
        case SS_LEFTNOWORDWRAP:
        case SS_SIMPLE: return CaptionKind::Line;
        default: return CaptionKind::None;
        }
    }
    if (IsClass(window, L"Button")) {
        const LONG type = style & BS_TYPEMASK;
        return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON ? CaptionKind::PushButton : CaptionKind::None;
    }
    if (IsClass(window, L"Edit")) return CaptionKind::Edit;
    return CaptionKind::None;
}

const wchar_t* LongestTextOf(HWND window, const LongestText* longest, std::size_t count) {
    const int id = GetDlgCtrlID(window);
    for (std::size_t i = 0; i < count; ++i) {
        if (longest[i].controlId == id) return longest[i].text;
    }
    return nullptr;
}

// The text's extent as the control draws it: prefix characters hidden,
// wrapped at width when width is not 0.
SIZE MeasureText(HDC dc, const wchar_t* text, UINT prefix, int width) {
    RECT area = {0, 0, width, 0};
    const UINT layout = width ? DT_WORDBREAK : DT_SINGLELINE;
    DrawTextW(dc, text, -1, &area, DT_CALCRECT | DT_LEFT | DT_EXPANDTABS | layout | prefix);
    return {area.right - area.left, area.bottom - area.top};
}

// The client size a control needs for text in the dialog's DC, with the
// control's own font selected.
SIZE NeededClientSize(HDC dc, const Control& control, const wchar_t* text, int lineHeight) {
    const LONG style = GetWindowLongW(control.window, GWL_STYLE);
    RECT client;
    GetClientRect(control.window, &client);
    switch (control.kind) {
    case CaptionKind::Line: {
        const SIZE extent = MeasureText(dc, text, style & SS_NOPREFIX ? DT_NOPREFIX : 0, 0);
        return {extent.cx, std::max<LONG>(extent.cy, lineHeight)};
    }
    case CaptionKind::Wrapped: {
        const SIZE extent = MeasureText(dc, text, style & SS_NOPREFIX ? DT_NOPREFIX : 0, client.right);
        return {std::max(extent.cx, client.right), extent.cy};
    }
    case CaptionKind::PushButton: {
        // The caption stays clear of the button's raised edge and of the
        // focus rectangle inside it.
        const int padX = 2 * GetSystemMetrics(SM_CXEDGE) + 1;
        const int padY = GetSystemMetrics(SM_CYEDGE) + 1;
        const SIZE extent = MeasureText(dc, text, 0, 0);
        return {extent.cx + 2 * padX, extent.cy + 2 * padY};
    }
    case CaptionKind::Edit: {
        const LRESULT margins = SendMessageW(control.window, EM_GETMARGINS, 0, 0);
        const SIZE extent = MeasureText(dc, text, DT_NOPREFIX, 0);
        // One more pixel for the caret after the last character.
        return {extent.cx + LOWORD(margins) + HIWORD(margins) + 1, client.bottom};
    }
    case CaptionKind::None: break;
    }
    return {client.right, client.bottom};
}

// Grows control.rect so that its client area holds size.
void GrowTo(Control& control, SIZE needed) {
    RECT client;
    GetClientRect(control.window, &client);
    if (needed.cx > client.right) control.rect.right += needed.cx - client.right;
    if (needed.cy > client.bottom) control.rect.bottom += needed.cy - client.bottom;
}

bool OverlapOn(LONG aStart, LONG aEnd, LONG bStart, LONG bEnd) { return aStart < bEnd && bStart < aEnd; }

// b stood to the right of a (or below it) in the template when it starts
// beyond a's middle: controls that touch or overlap a little still count.
bool RightOf(const RECT& b, const RECT& a) { return b.left >= a.left + (a.right - a.left) / 2 && b.left > a.left; }
bool Below(const RECT& b, const RECT& a) { return b.top >= a.top + (a.bottom - a.top) / 2 && b.top > a.top; }

// Moves the controls right or down, in as many passes as a chain of
// neighbours needs, until none comes closer to the one before it than the
// template had them, or than gap where the template left more room.
void SeparateNeighbours(Control* controls, int count, SIZE gap) {
    for (int pass = 0; pass < 2 * kMaxControls; ++pass) {
        bool moved = false;
        for (int i = 0; i < count; ++i) {
            const Control& a = controls[i];
            for (int j = 0; j < count; ++j) {
                Control& b = controls[j];
                if (i == j) continue;
                if (RightOf(b.original, a.original) &&
                    OverlapOn(a.rect.top, a.rect.bottom, b.rect.top, b.rect.bottom)) {
                    const LONG wanted = a.rect.right + std::min(b.original.left - a.original.right, gap.cx);
                    if (b.rect.left < wanted) {
                        OffsetRect(&b.rect, wanted - b.rect.left, 0);
                        moved = true;
                    }
                }
                if (Below(b.original, a.original) && OverlapOn(a.rect.left, a.rect.right, b.rect.left, b.rect.right)) {
                    const LONG wanted = a.rect.bottom + std::min(b.original.top - a.original.bottom, gap.cy);
                    if (b.rect.top < wanted) {
                        OffsetRect(&b.rect, 0, wanted - b.rect.top);
                        moved = true;
                    }
                }
            }
        }
        if (!moved) return;
    }
}

}  // namespace

SIZE FitControlsToCaptions(HWND dialog, const LongestText* longest, std::size_t count) {
    Control controls[kMaxControls];
    int controlCount = 0;

    const HDC dc = GetDC(dialog);
    if (!dc) return {0, 0};
    const HGDIOBJ previousFont = GetCurrentObject(dc, OBJ_FONT);
    for (HWND child = GetWindow(dialog, GW_CHILD); child && controlCount < kMaxControls;
         child = GetWindow(child, GW_HWNDNEXT)) {
        Control& control = controls[controlCount++];
        control.window = child;
        GetWindowRect(child, &control.original);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&control.original), 2);
        control.rect = control.original;

        const HFONT font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
        TEXTMETRICW metrics{};
        GetTextMetricsW(dc, &metrics);
        RECT client;
        GetClientRect(child, &client);
        control.kind = KindOf(child, metrics.tmHeight, client.bottom);
        if (control.kind == CaptionKind::None) continue;

        const wchar_t* later = LongestTextOf(child, longest, count);
        // An edit's own text is the user's: only a listed text sizes it.
        if (control.kind == CaptionKind::Edit && !later) continue;
        if (control.kind != CaptionKind::Edit) {
            wchar_t caption[kTextCapacity] = {};
            GetWindowTextW(child, caption, kTextCapacity);
            GrowTo(control, NeededClientSize(dc, control, caption, metrics.tmHeight));
        }
        if (later) GrowTo(control, NeededClientSize(dc, control, later, metrics.tmHeight));
    }
    SelectObject(dc, previousFont);
    ReleaseDC(dialog, dc);

    RECT gapUnits = {0, 0, 4, 2};
    MapDialogRect(dialog, &gapUnits);
    SeparateNeighbours(controls, controlCount, {gapUnits.right, gapUnits.bottom});

    LONG originalRight = 0, originalBottom = 0, right = 0, bottom = 0;
    for (int i = 0; i < controlCount; ++i) {
        const Control& control = controls[i];
        originalRight = std::max(originalRight, control.original.right);
        originalBottom = std::max(originalBottom, control.original.bottom);
        right = std::max(right, control.rect.right);
        bottom = std::max(bottom, control.rect.bottom);
        if (EqualRect(&control.rect, &control.original)) continue;
        SetWindowPos(control.window, nullptr, control.rect.left, control.rect.top,
                     control.rect.right - control.rect.left, control.rect.bottom - control.rect.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }

    // The controls may use the room the template left beside and below
    // them, down to a margin of the same few dialog units; past that the
    // dialog grows.
    RECT dialogClient;
    GetClientRect(dialog, &dialogClient);
    RECT marginUnits = {0, 0, 4, 4};
    MapDialogRect(dialog, &marginUnits);
    const LONG roomRight = std::max(originalRight, dialogClient.right - marginUnits.right);
    const LONG roomBottom = std::max(originalBottom, dialogClient.bottom - marginUnits.bottom);
    return {std::max<LONG>(0, right - roomRight), std::max<LONG>(0, bottom - roomBottom)};
}

}  // namespace gainlet
