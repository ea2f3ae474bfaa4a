#include "page_harness.h"

#include "base/com_object.h"
#include "base/shared_gain_state.h"
#include "resource.h"
#include "settings/property_page.h"

namespace gainlet_test {

void PumpMessages(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < ms) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

std::wstring WindowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring ControlText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }

bool IsControlVisible(HWND dialog, int id) {
    return (GetWindowLongPtrW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

void TypeGain(HWND dialog, const wchar_t* text) {
    // WM_SETTEXT on an edit reports EN_CHANGE just as typing does.
    SetDlgItemTextW(dialog, IDC_GAIN, text);
}

void PressArrow(HWND dialog, UINT key) {
    const HWND edit = GetDlgItem(dialog, IDC_GAIN);
    SendMessageW(edit, WM_KEYDOWN, key, 1);
    SendMessageW(edit, WM_KEYUP, key, 0xC0000001);
}

namespace {

const wchar_t kFrameClass[] = L"GainletTestFrame";

ATOM RegisterFrameClass() {
    WNDCLASSW frameClass = {};
    frameClass.lpfnWndProc = DefWindowProcW;
    frameClass.hInstance = GetModuleHandleW(nullptr);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frameClass.lpszClassName = kFrameClass;
    return RegisterClassW(&frameClass);
}

// One visible top-level window for the whole run: under Xvfb without a
// window manager Wine waits two seconds for every top-level window it
// unmaps, so each Frame is a child window inside this one.
HWND SharedTopLevel() {
    static const HWND window = [] {
        RegisterFrameClass();
        return CreateWindowExW(WS_EX_CONTROLPARENT, kFrameClass, L"Gainlet test frame",
                               WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 480, 340, nullptr, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    }();
    return window;
}

}  // namespace

Frame::Frame()
    : handle(CreateWindowExW(WS_EX_CONTROLPARENT, kFrameClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 460,
                             300, SharedTopLevel(), nullptr, GetModuleHandleW(nullptr), nullptr)) {}

HWND Frame::FindPageDialog() const { return FindWindowExW(handle.get(), nullptr, L"#32770", nullptr); }

STDMETHODIMP RecordingSite::OnStatusChange(DWORD flags) {
    statusChanges.push_back(flags);
    return S_OK;
}

STDMETHODIMP RecordingSite::GetLocaleID(LCID* locale) {
    *locale = LOCALE_USER_DEFAULT;
    return S_OK;
}

STDMETHODIMP RecordingSite::GetPageContainer(IUnknown** container) {
    *container = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP RecordingSite::TranslateAccelerator(MSG*) { return S_FALSE; }

STDMETHODIMP FakeGainlet::GetGain(float* gainDb) {
    *gainDb = gain;
    return S_OK;
}

STDMETHODIMP FakeGainlet::SetGain(float gainDb) {
    gain = gainDb;
    setGainCalls.push_back(gainDb);
    return S_OK;
}

STDMETHODIMP FakeGainlet::GetPeak(float* peak, BOOL* processed, BOOL reset) {
    if (FAILED(peakResult)) return peakResult;
    *peak = pendingPeak;
    *processed = pendingProcessed;
    if (reset) pendingPeak = 0.0f;
    pendingProcessed = FALSE;
    return S_OK;
}

STDMETHODIMP FakeGainlet::GetFormatInfo(DWORD* rate, DWORD* channelCount, DWORD* bits, BOOL* floatSamples) {
    ++formatCalls;
    if (FAILED(formatResult)) return formatResult;
    if (rate) *rate = samplesPerSec;
    if (channelCount) *channelCount = channels;
    if (bits) *bits = bitsPerSample;
    if (floatSamples) *floatSamples = isFloat;
    return S_OK;
}

ActivePage::ActivePage(IUnknown* object, RECT rect) {
    gainlet::CGainletPropPage::Create(nullptr, IID_IPropertyPage, reinterpret_cast<void**>(page.GetAddressOf()));
    if (!page) return;
    page->SetPageSite(&site);
    if (object) page->SetObjects(1, &object);
    page->Activate(frame.window(), &rect, FALSE);
    page->Show(SW_SHOW);
}

ActivePage::~ActivePage() {
    if (!page) return;
    page->Deactivate();
    page->SetPageSite(nullptr);
}

void ActivePage::Tick() const { SendMessageW(dialog(), WM_TIMER, 12345, 0); }

}  // namespace gainlet_test
