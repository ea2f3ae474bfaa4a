#include "property_frame.h"

#include <commctrl.h>
#include <wrl/client.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "property_frame_resource.h"
#include "single_interface_object.h"

using Microsoft::WRL::ComPtr;

namespace dsphost {
namespace {

class PropertyFrame;

// The frame's side of one page. A page may keep its site past
// SetPageSite(nullptr) and past the frame itself; a detached site answers
// without a frame.
class PageSite final : public testbed::SingleInterfaceObject<PageSite, IPropertyPageSite> {
public:
    explicit PageSite(PropertyFrame* frame) : frame(frame) {}
    void Detach() { frame = nullptr; }

    STDMETHODIMP OnStatusChange(DWORD flags) override;
    STDMETHODIMP GetLocaleID(LCID* locale) override {
        if (!locale) return E_POINTER;
        *locale = GetUserDefaultLCID();
        return S_OK;
    }
    STDMETHODIMP GetPageContainer(IUnknown** container) override {
        if (!container) return E_POINTER;
        *container = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TranslateAccelerator(MSG* message) override;

private:
    friend class testbed::SingleInterfaceObject<PageSite, IPropertyPageSite>;
    ~PageSite() = default;

    PropertyFrame* frame;
};

struct FramePage {
    ComPtr<IPropertyPage> page;
    ComPtr<PageSite> site;
    std::wstring title;
    SIZE size{};
    HWND window = nullptr;  // the page's own window, once activated
    bool active = false;    // activated, so a Deactivate is owed
};

class PropertyFrame {
public:
    PropertyFrame() = default;
    ~PropertyFrame() { Dismantle(); }
    PropertyFrame(const PropertyFrame&) = delete;
    PropertyFrame& operator=(const PropertyFrame&) = delete;

    HRESULT Run(const wchar_t* caption, ULONG objectCount, IUnknown** objects, const CAUUID& pageClasses,
                FrameResult* result);

    // From the page sites.
    void OnPageStatus(DWORD flags);
    bool TranslateFrameMessage(MSG* message) { return window && IsDialogMessageW(window, message); }

private:
    HRESULT CreatePages(ULONG objectCount, IUnknown** objects, const CAUUID& pageClasses);
    HRESULT CreateFrameWindow(const wchar_t* caption);
    void LayOut();
    HRESULT ShowPage(size_t index);
    void FocusFirstControlOfPage();
    bool ApplyDirtyPages();
    void UpdateApplyButton();
    void Close(FrameResult how);
    bool PreTranslate(MSG* message);
    void Dismantle();

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(WORD id);

    std::vector<FramePage> pages;
    size_t shown = 0;
    HWND window = nullptr;
    HWND tabs = nullptr;
    RECT pageRect{};  // where every page lies, in the frame's client coordinates
    bool closed = false;
    FrameResult outcome = FrameResult::Cancel;
};

STDMETHODIMP PageSite::OnStatusChange(DWORD flags) {
    if (frame) frame->OnPageStatus(flags);
    return S_OK;
}

STDMETHODIMP PageSite::TranslateAccelerator(MSG* message) {
    if (!message) return E_POINTER;
    return frame && frame->TranslateFrameMessage(message) ? S_OK : S_FALSE;
}

// A copy of a page's task-memory string, which it frees.
std::wstring TakeTaskMemString(LPOLESTR text) {
    const gainlet::CoTaskMemPtr<OLECHAR> owned(text);
    return text ? text : L"";
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

HRESULT PropertyFrame::Run(const wchar_t* caption, ULONG objectCount, IUnknown** objects, const CAUUID& pageClasses,
                           FrameResult* result) {
    if (!result) return E_POINTER;
    if (pageClasses.cElems == 0 || !pageClasses.pElems) return E_INVALIDARG;

    HRESULT hr = CreatePages(objectCount, objects, pageClasses);
    if (FAILED(hr)) return hr;
    hr = CreateFrameWindow(caption);
    if (FAILED(hr)) return hr;
    hr = ShowPage(0);
    if (FAILED(hr)) return hr;
    ShowWindow(window, SW_SHOW);
    FocusFirstControlOfPage();

    while (!closed) {
        MSG message;
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // The quit belongs to whoever runs the loop outside this one.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (PreTranslate(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    *result = outcome;
    Dismantle();
    return S_OK;
}

HRESULT PropertyFrame::CreatePages(ULONG objectCount, IUnknown** objects, const CAUUID& pageClasses) {
    for (ULONG i = 0; i < pageClasses.cElems; ++i) {
        FramePage entry;
        HRESULT hr = CoCreateInstance(pageClasses.pElems[i], nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                      reinterpret_cast<void**>(entry.page.GetAddressOf()));
        if (FAILED(hr)) return hr;
        entry.site = new PageSite(this);
        hr = entry.page->SetPageSite(entry.site.Get());
        if (FAILED(hr)) return hr;
        // From here on the page holds the site: Dismantle takes it back.
        pages.push_back(entry);
        FramePage& page = pages.back();

        hr = page.page->SetObjects(objectCount, objects);
        if (FAILED(hr)) return hr;
        PROPPAGEINFO info = {};
        info.cb = sizeof info;
        hr = page.page->GetPageInfo(&info);
        if (FAILED(hr)) return hr;
        page.title = TakeTaskMemString(info.pszTitle);
        const gainlet::CoTaskMemPtr<OLECHAR> docString(info.pszDocString), helpFile(info.pszHelpFile);
        page.size = info.size;
    }
    return S_OK;
}

HRESULT PropertyFrame::CreateFrameWindow(const wchar_t* caption) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    window = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PROPERTY_FRAME), nullptr,
                                &PropertyFrame::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!window) return HRESULT_FROM_WIN32(GetLastError());
    tabs = GetDlgItem(window, IDC_FRAME_TABS);

    wchar_t pattern[64] = {};
    std::wstring title = caption ? caption : L"";
    if (LoadStringW(GetModuleHandleW(nullptr), IDS_FRAME_CAPTION, pattern, ARRAYSIZE(pattern)) > 0) {
        std::wstring formatted = pattern;
        const size_t at = formatted.find(L"%s");
        if (at != std::wstring::npos) title = formatted.replace(at, 2, title);
    }
    SetWindowTextW(window, title.c_str());

    for (size_t i = 0; i < pages.size(); ++i) {
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = &pages[i].title[0];
        SendMessageW(tabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    LayOut();
    return S_OK;
}

// The tab's display area takes the largest page; the buttons keep their
// template size and stand in a row under the tab, right-aligned, as in a
// property sheet. Margins are the template's, in the frame's dialog units.
void PropertyFrame::LayOut() {
    const HWND ok = GetDlgItem(window, IDOK);
    const HWND cancel = GetDlgItem(window, IDCANCEL);
    const HWND apply = GetDlgItem(window, IDC_FRAME_APPLY);
    RECT spacing = {7, 7, 4, 0};  // margin, margin, gap between buttons
    MapDialogRect(window, &spacing);
    const int margin = spacing.left;
    const int gap = spacing.right;
    RECT button;
    GetWindowRect(ok, &button);
    const int buttonWidth = button.right - button.left;
    const int buttonHeight = button.bottom - button.top;

    SIZE largest = {0, 0};
    for (const FramePage& page : pages) {
        largest.cx = std::max(largest.cx, page.size.cx);
        largest.cy = std::max(largest.cy, page.size.cy);
    }
    RECT tabRect = {0, 0, largest.cx, largest.cy};
    SendMessageW(tabs, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&tabRect));
    const int dx = margin - tabRect.left;
    const int dy = margin - tabRect.top;
    OffsetRect(&tabRect, dx, dy);
    pageRect = {dx, dy, dx + largest.cx, dy + largest.cy};

    const int rowWidth = 3 * buttonWidth + 2 * gap;
    const int clientWidth = std::max<int>(tabRect.right, margin + rowWidth) + margin;
    tabRect.right = clientWidth - margin;
    const int buttonTop = tabRect.bottom + margin;
    const int clientHeight = buttonTop + buttonHeight + margin;

    MoveWindow(tabs, tabRect.left, tabRect.top, tabRect.right - tabRect.left, tabRect.bottom - tabRect.top, FALSE);
    int left = clientWidth - margin - rowWidth;
    for (HWND control : {ok, cancel, apply}) {
        MoveWindow(control, left, buttonTop, buttonWidth, buttonHeight, FALSE);
        left += buttonWidth + gap;
    }

    RECT frame = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    SetWindowPos(window, nullptr, 40, 40, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

HRESULT PropertyFrame::ShowPage(size_t index) {
    if (index != shown && pages[shown].active) pages[shown].page->Show(SW_HIDE);
    FramePage& page = pages[index];
    if (!page.active) {
        const std::vector<HWND> before = ChildWindows(window);
        const HRESULT hr = page.page->Activate(window, &pageRect, TRUE);
        if (FAILED(hr)) return hr;
        page.active = true;
        for (HWND child : ChildWindows(window)) {
            if (std::find(before.begin(), before.end(), child) == before.end()) page.window = child;
        }
        // Above the tab, which would otherwise paint over it. Whether the
        // frame's Tab and mnemonic keys reach into the page is the page's
        // own doing (DS_CONTROL), as in a player's frame.
        if (page.window) SetWindowPos(page.window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    page.page->Show(SW_SHOW);
    shown = index;
    SendMessageW(tabs, TCM_SETCURSEL, index, 0);
    return S_OK;
}

void PropertyFrame::FocusFirstControlOfPage() {
    const HWND page = pages[shown].window;
    HWND first = page ? GetNextDlgTabItem(page, nullptr, FALSE) : nullptr;
    if (!first) first = GetDlgItem(window, IDOK);
    // As the dialog manager moves focus: an edit gets its text selected.
    SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
}

bool PropertyFrame::ApplyDirtyPages() {
    for (size_t i = 0; i < pages.size(); ++i) {
        if (pages[i].page->IsPageDirty() != S_OK) continue;
        if (FAILED(pages[i].page->Apply())) {
            // The page has told the user why; they correct it there.
            ShowPage(i);
            UpdateApplyButton();
            return false;
        }
    }
    UpdateApplyButton();
    return true;
}

void PropertyFrame::UpdateApplyButton() {
    bool dirty = false;
    for (const FramePage& page : pages) dirty = dirty || page.page->IsPageDirty() == S_OK;
    const HWND apply = GetDlgItem(window, IDC_FRAME_APPLY);
    // A disabled button keeps the focus and takes no keys: hand it on.
    if (!dirty && GetFocus() == apply)
        SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window, IDOK)), TRUE);
    EnableWindow(apply, dirty);
}

void PropertyFrame::OnPageStatus(DWORD flags) {
    if (!window) return;
    if (flags & PROPPAGESTATUS_DIRTY) EnableWindow(GetDlgItem(window, IDC_FRAME_APPLY), TRUE);
    if (flags & PROPPAGESTATUS_CLEAN) UpdateApplyButton();
}

void PropertyFrame::Close(FrameResult how) {
    outcome = how;
    closed = true;
}

bool PropertyFrame::PreTranslate(MSG* message) {
    if (message->hwnd != window && !IsChild(window, message->hwnd)) return false;
    const bool keyboard = message->message >= WM_KEYFIRST && message->message <= WM_KEYLAST;
    if (keyboard && pages[shown].active && pages[shown].page->TranslateAccelerator(message) == S_OK) return true;
    return IsDialogMessageW(window, message) != FALSE;
}

void PropertyFrame::OnCommand(WORD id) {
    switch (id) {
    case IDOK:
        if (ApplyDirtyPages()) Close(FrameResult::Ok);
        break;
    case IDCANCEL:  // also Escape and the close box
        Close(FrameResult::Cancel);
        break;
    case IDC_FRAME_APPLY: ApplyDirtyPages(); break;
    }
}

INT_PTR CALLBACK PropertyFrame::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return FALSE;  // the frame focuses the page itself
    }
    auto* frame = reinterpret_cast<PropertyFrame*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!frame) return FALSE;
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) frame->OnCommand(LOWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->hwndFrom != frame->tabs || header->code != TCN_SELCHANGE) return FALSE;
        const LRESULT selected = SendMessageW(frame->tabs, TCM_GETCURSEL, 0, 0);
        if (selected >= 0 && static_cast<size_t>(selected) < frame->pages.size())
            frame->ShowPage(static_cast<size_t>(selected));
        return TRUE;
    }
    }
    return FALSE;
}

// Deactivates what was activated, destroys the window, and takes each site
// back from its page: the order in which a frame lets its pages go.
void PropertyFrame::Dismantle() {
    for (FramePage& page : pages) {
        if (page.active) page.page->Deactivate();
        page.active = false;
    }
    if (window) {
        SetWindowLongPtrW(window, DWLP_USER, 0);
        DestroyWindow(window);
        window = nullptr;
    }
    for (FramePage& page : pages) {
        page.page->SetPageSite(nullptr);
        page.site->Detach();
    }
    pages.clear();
}

}  // namespace

HRESULT ShowPropertyFrame(const wchar_t* caption, ULONG objectCount, IUnknown** objects, const CAUUID& pageClasses,
                          FrameResult* result) {
    PropertyFrame frame;
    return frame.Run(caption, objectCount, objects, pageClasses, result);
}

}  // namespace dsphost
