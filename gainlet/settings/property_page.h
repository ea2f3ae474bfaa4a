// The settings page: a COM property page that hosts the settings dialog in
// the media player's property frame.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>
#include <wrl/client.h>

#include "base/com_object.h"
#include "common/unique_handle.h"
#include "gainlet.h"

namespace gainlet {

class CGainletPropPage final : public ComObject<CGainletPropPage, IPropertyPage> {
public:
    // IPropertyPage
    STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
    STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
    STDMETHODIMP Deactivate() override;
    STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
    STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
    STDMETHODIMP Show(UINT showCommand) override;
    STDMETHODIMP Move(LPCRECT rect) override;
    STDMETHODIMP IsPageDirty() override;
    STDMETHODIMP Apply() override;
    STDMETHODIMP Help(LPCOLESTR helpDirectory) override;
    STDMETHODIMP TranslateAccelerator(MSG* message) override;

private:
    friend ComObject;
    CGainletPropPage();
    ~CGainletPropPage();

    // The dialog (settings_dialog.cpp).
    HRESULT CreateSettingsDialog(HWND parent);
    void DestroySettingsDialog();
    // Gives the DSP object back the applied gain and forgets the edits that
    // were never applied.
    void DropPreview();
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Dispatches one message; true when handled, with *result the message's result.
    bool ProcessDialogMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    LRESULT OnInitDialog();
    LRESULT OnGainChanged();
    LRESULT OnGainSpin(const NMUPDOWN* notification);
    LRESULT OnDefaultClicked();
    LRESULT OnPeakClicked();
    LRESULT OnWebPageClicked();
    LRESULT OnRefreshTimer();
    LRESULT OnStyleChanging(STYLESTRUCT* styles);

    float ReadGainText() const;
    void ShowPeak(float peak);
    void MarkDirty();
    void SetGainText(float gainDb);
    void ShowLamp(bool lit);
    void SizeLamps();

    // Members in the order the page's design lists them.
    Microsoft::WRL::ComPtr<IPropertyPageSite> pageSite;
    SIZE pageSize{};
    UINT titleId;
    UINT helpFileId;
    UINT docStringId;
    DWORD helpContext = 0;
    BOOL dirty = FALSE;
    HWND dialogWindow = nullptr;
    Microsoft::WRL::ComPtr<IGainlet> gainControl;
    DWORD lampLitTick = 0;
    bool lampLit = false;
    float appliedGainDb = 0.0f;
    float shownPeak = 0.0f;
    DWORD shownSamplesPerSec = 0;
    DWORD shownBitsPerSample = 0;
    DWORD shownChannels = 0;
    BOOL shownIsFloat = FALSE;

    // The DSP object may carry a gain the dialog previewed: set when the
    // dialog starts, cleared once appliedGainDb has been handed back. Only a
    // started dialog gives appliedGainDb a value.
    bool previewOutstanding = false;

    // The lamps drawn at their controls' size, which the controls show
    // until the dialog is gone.
    BitmapHandle lampOnBitmap;
    BitmapHandle lampOffBitmap;
};

}  // namespace gainlet
