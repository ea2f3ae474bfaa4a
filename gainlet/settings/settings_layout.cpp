#include "settings/settings_layout.h"

#include <commctrl.h>

#include "base/shared_gain_state.h"
#include "common/unique_handle.h"
#include "resource.h"
#include "settings/caption_fit.h"
#include "settings/gain_range.h"
#include "common/this_module.h"
#include "settings/settings_texts.h"

namespace gainlet {
namespace {

INT_PTR CALLBACK MeasuringDialogProc(HWND window, UINT message, WPARAM /*wParam*/, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        *reinterpret_cast<SIZE*>(lParam) = FitSettingsControls(window);
        return FALSE;
    }
    if (message == WM_DESTROY) {
        // The lamps loaded their bitmaps from the template and never free
        // them; a copy made on every GetPageInfo must not leave them behind.
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t windowClass[16] = {};
            GetClassNameW(child, windowClass, ARRAYSIZE(windowClass));
            if (lstrcmpiW(windowClass, L"Static") != 0) continue;
            if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_BITMAP) continue;
            const LRESULT loaded = SendMessageW(child, STM_SETIMAGE, IMAGE_BITMAP, 0);
            if (loaded) DeleteObject(reinterpret_cast<HGDIOBJ>(loaded));
        }
    }
    return FALSE;
}

}  // namespace

SIZE FitSettingsControls(HWND dialog) {
    wchar_t percent[kSettingsTextCapacity];
    FormatPercentText(kHighestGainDb, g_sharedGainState.dbToExponent, percent);
    // The widest format the page names: six-digit rate, float, two-digit
    // channel count.
    wchar_t format[kSettingsTextCapacity];
    FormatAudioFormatText(192000, 32, 32, TRUE, format);
    // The peak button's own placeholder, "-888.888dB", is as wide as any
    // peak it shows.
    const LongestText longest[] = {
        {IDC_GAIN, L"-100.000"},  // what a step to the lower bound writes
        {IDC_PERCENT, percent},
        {IDC_FORMAT, format},
    };
    return FitControlsToCaptions(dialog, longest, ARRAYSIZE(longest));
}

SIZE MeasureSettingsGrowth() {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);

    SIZE growth = {0, 0};
    const WindowHandle owner(
        CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, ThisModule(), nullptr));
    if (!owner) return growth;
    // A child of the hidden owner; it goes with it.
    CreateDialogParamW(ThisModule(), MAKEINTRESOURCEW(IDD_SETTINGS), owner.get(), MeasuringDialogProc,
                       reinterpret_cast<LPARAM>(&growth));
    return growth;
}

}  // namespace gainlet
