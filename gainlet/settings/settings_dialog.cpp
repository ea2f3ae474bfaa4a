// The settings dialog of CGainletPropPage: a modeless child of the host's
// property frame, hosted without any framework.
#include "settings/property_page.h"

#include "base/shared_gain_state.h"
#include "resource.h"
#include "settings/c_locale_number.h"
#include "settings/gain_range.h"
#include "settings/lamp_clock.h"
#include "common/this_module.h"
#include "settings/peak_limiter_page.h"
#include "settings/settings_layout.h"
#include "settings/settings_texts.h"
#include "settings/shell_open.h"

#include <utility>

namespace gainlet {
namespace {

constexpr UINT_PTR IDT_REFRESH = 12345;
constexpr UINT kRefreshPeriodMs = 50;

constexpr float kSnapToZeroBelowDb = -0.001f;
constexpr int kSpinLowest = -100000;  // thousandths of a dB
constexpr int kSpinHighest = 24000;
constexpr float kLampThreshold = 0.985f;  // -0.131 dB of full scale
constexpr DWORD kLampHoldWithAudioMs = 100;
constexpr DWORD kLampHoldInSilenceMs = 250;

constexpr int kGainTextCapacity = 1024;

float ReadControlNumber(HWND dialog, int id) {
    wchar_t text[kGainTextCapacity] = {};
    if (GetDlgItemTextW(dialog, id, text, kGainTextCapacity) <= 0) return 0.0f;
    return static_cast<float>(ParseDecimalPrefix(text));
}

float ClampAndSnap(float gainDb) {
    if (gainDb < kLowestGainDb) gainDb = kLowestGainDb;
    if (gainDb > kHighestGainDb) gainDb = kHighestGainDb;
    // -0.0004 is shown as +0.000, never as -0.000.
    if (gainDb > kSnapToZeroBelowDb && gainDb <= 0.0f) gainDb = 0.0f;
    return gainDb;
}

}  // namespace

HRESULT CGainletPropPage::CreateSettingsDialog(HWND parent) {
    // Hosts normally have the up-down class registered already; a host
    // that never touched the common controls would fail the creation.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);

    const HWND created = CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(IDD_SETTINGS), parent,
                                            &CGainletPropPage::DialogProc, reinterpret_cast<LPARAM>(this));
    if (!created) return HRESULT_FROM_WIN32(GetLastError());
    dialogWindow = created;
    return S_OK;
}

void CGainletPropPage::DestroySettingsDialog() {
    if (!dialogWindow) return;
    // WM_NCDESTROY clears dialogWindow; the timer ends with the window.
    DestroyWindow(dialogWindow);
    dialogWindow = nullptr;
    lampOnBitmap.reset();
    lampOffBitmap.reset();
}

INT_PTR CALLBACK CGainletPropPage::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    CGainletPropPage* page;
    if (message == WM_INITDIALOG) {
        page = reinterpret_cast<CGainletPropPage*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        page->dialogWindow = window;
    } else {
        page = reinterpret_cast<CGainletPropPage*>(GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!page) return FALSE;

    if (message == WM_NCDESTROY) {
        // The frame may destroy the dialog before the page goes: forget it.
        SetWindowLongPtrW(window, DWLP_USER, 0);
        if (page->dialogWindow == window) page->dialogWindow = nullptr;
        return FALSE;
    }

    LRESULT result = 0;
    if (!page->ProcessDialogMessage(message, wParam, lParam, &result)) return FALSE;
    // WM_INITDIALOG's result says whether the dialog manager sets the focus;
    // every other handled message passes its result through DWLP_MSGRESULT.
    if (message == WM_INITDIALOG) return static_cast<INT_PTR>(result);
    SetWindowLongPtrW(window, DWLP_MSGRESULT, result);
    return TRUE;
}

bool CGainletPropPage::ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (message) {
    case WM_INITDIALOG: *result = OnInitDialog(); return true;

    case WM_COMMAND: {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if (id == IDC_GAIN && code == EN_CHANGE) {
            *result = OnGainChanged();
            return true;
        }
        if (code != BN_CLICKED) return false;
        switch (id) {
        case IDC_DEFAULT: *result = OnDefaultClicked(); return true;
        case IDC_WEBPAGE: *result = OnWebPageClicked(); return true;
        case IDC_PEAK: *result = OnPeakClicked(); return true;
        default: return false;
        }
    }

    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!header || header->idFrom != IDC_GAIN_SPIN || header->code != UDN_DELTAPOS) return false;
        *result = OnGainSpin(reinterpret_cast<const NMUPDOWN*>(lParam));
        return true;
    }

    case WM_TIMER:
        if (wParam != IDT_REFRESH) return false;
        *result = OnRefreshTimer();
        return true;

    case WM_STYLECHANGING:
        if (static_cast<int>(wParam) == GWL_EXSTYLE) {
            *result = OnStyleChanging(reinterpret_cast<STYLESTRUCT*>(lParam));
            return true;
        }
        if (static_cast<int>(wParam) == GWL_STYLE) {
            *result = 1;
            return true;
        }
        return false;

    default: return false;
    }
}

LRESULT CGainletPropPage::OnInitDialog() {
    shownSamplesPerSec = 0;
    shownBitsPerSample = 0;
    shownChannels = 0;
    shownIsFloat = FALSE;

    SendDlgItemMessageW(dialogWindow, IDC_GAIN_SPIN, UDM_SETRANGE32, static_cast<WPARAM>(kSpinLowest),
                        static_cast<LPARAM>(kSpinHighest));
    // Before the placeholders give way to values: they are as wide as the
    // values get.
    SizeLamps();
    FitSettingsControls(dialogWindow);

    float gainDb = kDefaultGainDb;
    if (gainControl) {
        gainControl->GetGain(&gainDb);
    } else {
        ReadStoredGainDb(&gainDb);
    }

    appliedGainDb = gainDb;
    previewOutstanding = true;
    shownPeak = -1.0f;
    ShowPeak(0.0f);
    // The template shows the unlit lamp.
    lampLit = false;
    lampLitTick = LampTickCount();

    // The edit's EN_CHANGE runs OnGainChanged right here, which previews the
    // text's value and marks the page dirty; the start itself is no change.
    SetGainText(gainDb);
    if (dirty) {
        dirty = FALSE;
        if (pageSite) pageSite->OnStatusChange(PROPPAGESTATUS_CLEAN);
    }

    SetTimer(dialogWindow, IDT_REFRESH, kRefreshPeriodMs, nullptr);
    return 0;
}

LRESULT CGainletPropPage::OnGainChanged() {
    const float gainDb = ReadGainText();

    wchar_t percent[kSettingsTextCapacity];
    FormatPercentText(gainDb, g_sharedGainState.dbToExponent, percent);
    SetDlgItemTextW(dialogWindow, IDC_PERCENT, percent);

    if (gainControl) gainControl->SetGain(gainDb);
    MarkDirty();
    return 0;
}

LRESULT CGainletPropPage::OnGainSpin(const NMUPDOWN* notification) {
    const float typed = ReadControlNumber(dialogWindow, IDC_GAIN);
    const float stepped = static_cast<float>(static_cast<double>(typed) + notification->iDelta / 1000.0);
    SetGainText(ClampAndSnap(stepped));
    // As after a click into the edit: typing replaces the stepped value
    // rather than landing in front of it.
    SendDlgItemMessageW(dialogWindow, IDC_GAIN, EM_SETSEL, 0, -1);
    return 0;
}

LRESULT CGainletPropPage::OnDefaultClicked() {
    SetGainText(kDefaultGainDb);
    return 0;
}

LRESULT CGainletPropPage::OnPeakClicked() {
    ShowPeak(0.0f);
    return 0;
}

LRESULT CGainletPropPage::OnWebPageClicked() {
    // The page travels inside the module, so it needs neither a network nor
    // anything installed beside the plug-in; a fresh copy on every click
    // survives a cleaned-up temporary folder.
    wchar_t page[MAX_PATH];
    if (WritePeakLimiterPage(page)) OpenWithShell(dialogWindow, page);
    return 0;
}

LRESULT CGainletPropPage::OnRefreshTimer() {
    float peak = 0.0f;
    BOOL processed = FALSE;
    if (gainControl && SUCCEEDED(gainControl->GetPeak(&peak, &processed, TRUE)) && processed) {
        if (peak > kLampThreshold) {
            if (!lampLit) ShowLamp(true);
            lampLitTick = LampTickCount();
        }
        ShowPeak(peak > shownPeak ? peak : shownPeak);
    } else {
        processed = FALSE;
    }

    const DWORD hold = processed ? kLampHoldWithAudioMs : kLampHoldInSilenceMs;
    // Unsigned difference: the tick counter's wrap-around is harmless.
    if (lampLit && static_cast<DWORD>(LampTickCount() - lampLitTick) >= hold) ShowLamp(false);

    DWORD samplesPerSec = 0, channels = 0, bitsPerSample = 0;
    BOOL isFloat = FALSE;
    if (gainControl && SUCCEEDED(gainControl->GetFormatInfo(&samplesPerSec, &channels, &bitsPerSample, &isFloat)) &&
        (samplesPerSec != shownSamplesPerSec || channels != shownChannels || bitsPerSample != shownBitsPerSample ||
         isFloat != shownIsFloat)) {
        shownSamplesPerSec = samplesPerSec;
        shownChannels = channels;
        shownBitsPerSample = bitsPerSample;
        shownIsFloat = isFloat;
        wchar_t text[kSettingsTextCapacity];
        FormatAudioFormatText(samplesPerSec, channels, bitsPerSample, isFloat, text);
        SetDlgItemTextW(dialogWindow, IDC_FORMAT, text);
    }
    return 1;
}

LRESULT CGainletPropPage::OnStyleChanging(STYLESTRUCT* styles) {
    // Lets the frame's keyboard navigation step into the page's controls.
    if (styles) styles->styleNew |= WS_EX_CONTROLPARENT;
    return 0;
}

float CGainletPropPage::ReadGainText() const { return ClampAndSnap(ReadControlNumber(dialogWindow, IDC_GAIN)); }

void CGainletPropPage::ShowPeak(float peak) {
    if (peak == shownPeak) return;
    shownPeak = peak;
    wchar_t text[kSettingsTextCapacity];
    FormatPeakText(peak, g_sharedGainState.exponentToDb, text);
    SetDlgItemTextW(dialogWindow, IDC_PEAK, text);
}

void CGainletPropPage::MarkDirty() {
    const BOOL wasDirty = dirty;
    dirty = TRUE;
    if (!wasDirty && pageSite) pageSite->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

void CGainletPropPage::SetGainText(float gainDb) {
    wchar_t text[kSettingsTextCapacity];
    FormatSignedThreeDecimals(static_cast<double>(gainDb), L"", text, kSettingsTextCapacity);
    SetDlgItemTextW(dialogWindow, IDC_GAIN, text);
}

void CGainletPropPage::ShowLamp(bool lit) {
    // The lamp that appears goes first, so the spot is never empty.
    if (lit) {
        ShowWindow(GetDlgItem(dialogWindow, IDC_LAMP_ON), SW_SHOW);
        ShowWindow(GetDlgItem(dialogWindow, IDC_LAMP_OFF), SW_HIDE);
    } else {
        ShowWindow(GetDlgItem(dialogWindow, IDC_LAMP_OFF), SW_SHOW);
        ShowWindow(GetDlgItem(dialogWindow, IDC_LAMP_ON), SW_HIDE);
    }
    lampLit = lit;
}

void CGainletPropPage::SizeLamps() {
    struct Lamp {
        int controlId;
        int bitmapId;
        BitmapHandle* bitmap;
    };
    const Lamp lamps[] = {{IDC_LAMP_ON, IDB_LAMP_ON, &lampOnBitmap}, {IDC_LAMP_OFF, IDB_LAMP_OFF, &lampOffBitmap}};
    for (const Lamp& lamp : lamps) {
        const HWND control = GetDlgItem(dialogWindow, lamp.controlId);
        RECT area;
        if (!control || !GetWindowRect(control, &area)) continue;
        MapWindowPoints(nullptr, dialogWindow, reinterpret_cast<POINT*>(&area), 2);
        // A round lamp: the largest square the control's template area holds,
        // in its middle.
        const int width = area.right - area.left, height = area.bottom - area.top;
        const int side = width < height ? width : height;
        if (side <= 0) continue;
        BitmapHandle scaled(static_cast<HBITMAP>(
            LoadImageW(ThisModule(), MAKEINTRESOURCEW(lamp.bitmapId), IMAGE_BITMAP, side, side, LR_DEFAULTCOLOR)));
        if (!scaled) continue;
        SetWindowPos(control, nullptr, area.left + (width - side) / 2, area.top + (height - side) / 2, side, side,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        // The control loaded the template's bitmap itself and leaves it to
        // whoever replaces it.
        const HGDIOBJ loaded = reinterpret_cast<HGDIOBJ>(
            SendMessageW(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(scaled.get())));
        if (loaded && loaded != scaled.get()) DeleteObject(loaded);
        *lamp.bitmap = std::move(scaled);
    }
}

}  // namespace gainlet
