#include "settings/page_keyboard.h"

namespace gainlet {
namespace {

constexpr int kCaptionCapacity = 128;

bool IsKeyDown(int key) { return GetKeyState(key) < 0; }

LRESULT DialogCode(const MSG* message) {
    return SendMessageW(message->hwnd, WM_GETDLGCODE, message->wParam, reinterpret_cast<LPARAM>(message));
}

// The child of page that holds window (window itself for a plain control).
HWND PageChildOf(HWND page, HWND window) {
    while (window && GetParent(window) != page) window = GetParent(window);
    return window;
}

// Whether to comes before from in the page's tab order (after it, going
// backward): the step would wrap around the page.
bool Wraps(HWND page, HWND from, HWND to, bool backward) {
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (child == from) return backward;
        if (child == to) return !backward;
    }
    return true;
}

void FocusControl(HWND page, HWND control) {
    // As the dialog manager moves the focus: an edit gets its text selected.
    SendMessageW(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

bool TabWithinPage(HWND page, bool backward) {
    const HWND from = PageChildOf(page, GetFocus());
    if (!from) return false;
    const HWND to = GetNextDlgTabItem(page, from, backward);
    if (!to || to == from || Wraps(page, from, to, backward)) return false;
    FocusControl(page, to);
    return true;
}

// Enter on one of the page's own buttons presses it; the frame would take
// the command for one of its own.
bool PressFocusedButton(HWND page) {
    const HWND focus = GetFocus();
    if (!focus || GetParent(focus) != page) return false;
    if (!(SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) return false;
    SendMessageW(focus, BM_CLICK, 0, 0);
    return true;
}

wchar_t UpperCase(wchar_t c) {
    wchar_t text[1] = {c};
    CharUpperBuffW(text, 1);
    return text[0];
}

// The character after the caption's single '&', or 0.
wchar_t MnemonicOf(const wchar_t* caption) {
    for (const wchar_t* p = caption; *p; ++p) {
        if (*p != L'&') continue;
        if (p[1] != L'&') return p[1];
        ++p;
    }
    return 0;
}

// A static's mnemonic focuses the control after it; a button's presses it.
bool ActOnMnemonic(HWND page, wchar_t key) {
    const wchar_t wanted = UpperCase(key);
    for (HWND child = GetWindow(page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if ((style & (WS_VISIBLE | WS_DISABLED)) != WS_VISIBLE) continue;
        const LRESULT code = SendMessageW(child, WM_GETDLGCODE, 0, 0);
        if (!(code & (DLGC_BUTTON | DLGC_STATIC))) continue;
        if ((code & DLGC_STATIC) && (style & SS_NOPREFIX)) continue;
        wchar_t caption[kCaptionCapacity] = {};
        GetWindowTextW(child, caption, kCaptionCapacity);
        const wchar_t mnemonic = MnemonicOf(caption);
        if (!mnemonic || UpperCase(mnemonic) != wanted) continue;

        if (code & DLGC_STATIC) {
            const HWND next = GetNextDlgTabItem(page, child, FALSE);
            if (next) FocusControl(page, next);
        } else {
            SendMessageW(child, BM_CLICK, 0, 0);
        }
        return true;
    }
    return false;
}

bool IsFrameKey(WPARAM key) {
    if (key == VK_RETURN || key == VK_ESCAPE || key == VK_CANCEL || key == VK_EXECUTE || key == VK_TAB) return true;
    if (key >= VK_F1 && key <= VK_F24) return true;
    // Ctrl+PageUp and Ctrl+PageDown turn the frame's tabs.
    return (key == VK_PRIOR || key == VK_NEXT) && IsKeyDown(VK_CONTROL);
}

bool IsArrow(WPARAM key) { return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN; }

}  // namespace

bool TranslatePageKey(HWND page, MSG* message) {
    const WPARAM key = message->wParam;
    switch (message->message) {
    case WM_KEYDOWN:
        if (key == VK_TAB && !IsKeyDown(VK_CONTROL) && !IsKeyDown(VK_MENU))
            return TabWithinPage(page, IsKeyDown(VK_SHIFT));
        if (key == VK_RETURN) return PressFocusedButton(page);
        if (IsFrameKey(key)) return false;
        // An arrow that the focused control does not take moves the focus
        // in the frame's dialog navigation.
        if (IsArrow(key) && !(DialogCode(message) & (DLGC_WANTARROWS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)))
            return false;
        break;
    case WM_KEYUP:
        if (IsFrameKey(key)) return false;
        break;
    case WM_CHAR:
        if (key == L'\t' || key == L'\r' || key == L'\n' || key == 0x1B) return false;
        // Where the focus takes no characters, a letter is a mnemonic.
        if (!(DialogCode(message) & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)))
            return ActOnMnemonic(page, static_cast<wchar_t>(key));
        break;
    case WM_DEADCHAR: break;
    case WM_SYSCHAR: return ActOnMnemonic(page, static_cast<wchar_t>(key));
    default:
        // WM_SYSKEYDOWN and the rest: the frame translates Alt combinations
        // and hands back the page's mnemonics as WM_SYSCHAR.
        return false;
    }
    TranslateMessage(message);
    DispatchMessageW(message);
    return true;
}

}  // namespace gainlet
