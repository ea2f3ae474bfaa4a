#include "settings/property_page.h"

#include <cwchar>

#include "base/shared_gain_state.h"
#include "resource.h"
#include "settings/c_locale_number.h"
#include "settings/gain_range.h"
#include "common/this_module.h"
#include "settings/module_resources.h"
#include "settings/page_keyboard.h"
#include "settings/page_size.h"
#include "settings/settings_layout.h"

namespace gainlet {

namespace {

// Longer text than any gain anyone types; what is cut off is not a number.
constexpr int kGainTextCapacity = 1024;
constexpr int kMessageCapacity = 256;
// The keyboard and mouse messages the dialog handles for the frame: up to the
// classic WM_KEYLAST (0x108, before WM_UNICHAR; MinGW's WM_KEYLAST at our
// target is 0x109) and WM_XBUTTONDBLCLK (0x20D).
constexpr UINT kLastKeyboardMessage = 0x0108;
constexpr UINT kLastMouseMessage = WM_XBUTTONDBLCLK;

}  // namespace

CGainletPropPage::CGainletPropPage() : titleId(IDS_TITLE), helpFileId(IDS_HELPFILE), docStringId(IDS_DOCSTRING) {}

CGainletPropPage::~CGainletPropPage() {
    // A host may release the page before destroying its frame; the dialog
    // and its timer must not call into a page that is gone, and what the
    // dialog previewed must not stay in the DSP object either.
    DropPreview();
    DestroySettingsDialog();
}

STDMETHODIMP CGainletPropPage::SetPageSite(IPropertyPageSite* site) {
    if (!site) {
        pageSite.Reset();
        return S_OK;
    }
    if (pageSite) return E_UNEXPECTED;
    pageSite = site;
    return S_OK;
}

STDMETHODIMP CGainletPropPage::Activate(HWND parent, LPCRECT rect, BOOL /*modal*/) {
    if (!rect) return E_POINTER;

    // A second Activate without Deactivate replaces the dialog: the first
    // one's timer must not stay behind, nor its preview, which the new dialog
    // would otherwise take for the applied gain.
    DropPreview();
    DestroySettingsDialog();
    CreateSettingsDialog(parent);
    Move(rect);
    pageSize = {rect->right - rect->left, rect->bottom - rect->top};
    return S_OK;
}

STDMETHODIMP CGainletPropPage::Deactivate() {
    DropPreview();
    DestroySettingsDialog();
    return S_OK;
}

void CGainletPropPage::DropPreview() {
    // Before the dialog ever started there is no applied gain to go back to,
    // and once handed back it is not pushed again: another page may have
    // applied a newer gain since.
    if (previewOutstanding && gainControl) gainControl->SetGain(appliedGainDb);
    previewOutstanding = false;
    // The unapplied edits go with their preview: an Apply now has nothing to
    // store, and a host must not be told otherwise.
    dirty = FALSE;
}

STDMETHODIMP CGainletPropPage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info) return E_POINTER;

    const HINSTANCE module = ThisModule();
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDD_SETTINGS), RT_DIALOG);
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return E_UNEXPECTED;

    DialogTemplateInfo dialog;
    if (!ReadDialogTemplate(data, SizeofResource(module, found), &dialog)) return E_UNEXPECTED;
    // Where the captions need more room than the template gives them at this
    // DPI and in these fonts, the page asks for it.
    const SIZE growth = MeasureSettingsGrowth();
    pageSize = DialogTemplatePixelSize(dialog);
    pageSize.cx += growth.cx;
    pageSize.cy += growth.cy;

    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = LoadTaskMemString(titleId);
    info->size = pageSize;
    info->pszDocString = LoadTaskMemString(docStringId);
    info->pszHelpFile = LoadTaskMemString(helpFileId);
    info->dwHelpContext = helpContext;
    return S_OK;
}

STDMETHODIMP CGainletPropPage::SetObjects(ULONG count, IUnknown** objects) {
    if (count == 0) return S_OK;
    if (!objects) return E_POINTER;

    for (ULONG i = 0; i < count; ++i) {
        if (!objects[i]) continue;
        IGainlet* candidate = nullptr;
        const HRESULT hr = objects[i]->QueryInterface(IID_IGainlet, reinterpret_cast<void**>(&candidate));
        if (FAILED(hr)) {
            if (candidate) candidate->Release();
            continue;
        }
        if (!candidate) continue;
        if (candidate != gainControl.Get()) gainControl = candidate;
        candidate->Release();
        break;
    }
    return S_OK;
}

STDMETHODIMP CGainletPropPage::Show(UINT showCommand) {
    if (!dialogWindow) return E_UNEXPECTED;
    ShowWindow(dialogWindow, static_cast<int>(showCommand));
    return S_OK;
}

STDMETHODIMP CGainletPropPage::Move(LPCRECT rect) {
    if (!dialogWindow) return E_UNEXPECTED;
    if (!rect) return E_POINTER;
    MoveWindow(dialogWindow, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}

STDMETHODIMP CGainletPropPage::IsPageDirty() { return dirty ? S_OK : S_FALSE; }

STDMETHODIMP CGainletPropPage::Apply() {
    // Deactivate has destroyed the dialog and dropped what it previewed:
    // there is no entry left to apply, and the stored gain must survive.
    if (!dialogWindow) return S_OK;

    float gainDb = kDefaultGainDb;
    wchar_t text[kGainTextCapacity] = {};
    if (GetDlgItemTextW(dialogWindow, IDC_GAIN, text, kGainTextCapacity) > 0) {
        gainDb = static_cast<float>(ParseDecimalPrefix(text));
    }

    if (gainDb > kHighestGainDb) {
        wchar_t message[kMessageCapacity];
        if (LoadStringW(ThisModule(), IDS_RANGE_ERROR, message, kMessageCapacity) > 0) {
            MessageBoxW(dialogWindow, message, L"", MB_OK);
        }
        return E_FAIL;
    }
    if (gainDb < kLowestGainDb) gainDb = kLowestGainDb;

    WriteStoredGainDb(gainDb);
    if (gainControl) gainControl->SetGain(gainDb);
    dirty = FALSE;
    appliedGainDb = gainDb;
    return S_OK;
}

STDMETHODIMP CGainletPropPage::Help(LPCOLESTR helpDirectory) {
    wchar_t helpFile[MAX_PATH];
    if (LoadStringW(ThisModule(), helpFileId, helpFile, MAX_PATH) <= 0) return E_OUTOFMEMORY;
    const wchar_t* directory = helpDirectory ? helpDirectory : L"";
    wchar_t path[MAX_PATH];
    const size_t directoryLength = wcslen(directory), fileLength = wcslen(helpFile);
    if (directoryLength + 1 + fileLength >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    wmemcpy(path, directory, directoryLength);
    path[directoryLength] = L'\\';
    wmemcpy(path + directoryLength + 1, helpFile, fileLength + 1);
    WinHelpW(dialogWindow, path, HELP_CONTEXTPOPUP, 0);
    return S_OK;
}

STDMETHODIMP CGainletPropPage::TranslateAccelerator(MSG* message) {
    if (!message) return E_POINTER;
    const bool keyboard = message->message >= WM_KEYDOWN && message->message <= kLastKeyboardMessage;
    const bool mouse = message->message >= WM_MOUSEMOVE && message->message <= kLastMouseMessage;
    if (!keyboard && !mouse) return S_FALSE;
    if (!dialogWindow) return S_FALSE;
    if (message->hwnd != dialogWindow && !IsChild(dialogWindow, message->hwnd)) return S_FALSE;
    if (mouse) return IsDialogMessageW(dialogWindow, message) ? S_OK : S_FALSE;
    // S_FALSE hands a key back to the frame, which needs Enter, Escape, Tab
    // out of the page and its own mnemonics.
    return TranslatePageKey(dialogWindow, message) ? S_OK : S_FALSE;
}

}  // namespace gainlet
