// A real window hierarchy for the settings page: a top-level frame window
// of the test's own, a page site that records what the page reports, and a
// small IGainlet whose answers each test scripts.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "gainlet.h"
#include "single_interface.h"
#include "stored_gain.h"

namespace gainlet_test {

using Microsoft::WRL::ComPtr;

// Runs the message loop for about ms milliseconds (timers included).
void PumpMessages(DWORD ms);

std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int id);
bool IsControlVisible(HWND dialog, int id);

// Types text into the gain edit as a user's edit would change it.
void TypeGain(HWND dialog, const wchar_t* text);

// Down and up of an arrow key in the gain edit: the spin control steps.
void PressArrow(HWND dialog, UINT key);

using gainlet::test::DeleteStoredGain;
using gainlet::test::FloatBits;
using gainlet::test::ReadStoredGain;
using gainlet::test::StoreGainBits;

// A top-level window standing in for the host's property frame.
class Frame {
public:
    Frame();
    Frame(const Frame&) = delete;
    Frame& operator=(const Frame&) = delete;
    HWND window() const { return handle.get(); }
    // The settings dialog among the frame's children, or null.
    HWND FindPageDialog() const;

private:
    gainlet::WindowHandle handle;
};

class RecordingSite : public gainlet::test::StandIn<IPropertyPageSite> {
public:
    std::vector<DWORD> statusChanges;

    STDMETHODIMP OnStatusChange(DWORD flags) override;
    STDMETHODIMP GetLocaleID(LCID* locale) override;
    STDMETHODIMP GetPageContainer(IUnknown** container) override;
    STDMETHODIMP TranslateAccelerator(MSG* message) override;
};

// Scripted engine: GetGain answers gain, SetGain records and updates it,
// GetPeak hands out (and clears) the next scripted peak, GetFormatInfo the
// scripted format. Any call may be made to fail.
class FakeGainlet : public gainlet::test::StandIn<IGainlet> {
public:
    float gain = -0.131f;
    std::vector<float> setGainCalls;
    float pendingPeak = 0.0f;
    BOOL pendingProcessed = FALSE;
    HRESULT peakResult = S_OK;
    DWORD samplesPerSec = 0, channels = 0, bitsPerSample = 0;
    BOOL isFloat = FALSE;
    HRESULT formatResult = S_OK;
    int formatCalls = 0;

    // Audio arrives before the next tick.
    void Deliver(float peak) {
        pendingPeak = peak;
        pendingProcessed = TRUE;
    }

    STDMETHODIMP GetGain(float* gainDb) override;
    STDMETHODIMP SetGain(float gainDb) override;
    STDMETHODIMP GetPeak(float* peak, BOOL* processed, BOOL reset) override;
    STDMETHODIMP GetFormatInfo(DWORD* samplesPerSec, DWORD* channels, DWORD* bitsPerSample, BOOL* isFloat) override;
};

// A page created through the module's instance creator, sited, given the
// fake engine and activated in a Frame. Tests drive the dialog directly.
class ActivePage {
public:
    explicit ActivePage(IUnknown* object, RECT rect = {0, 0, 420, 260});
    ~ActivePage();
    ActivePage(const ActivePage&) = delete;
    ActivePage& operator=(const ActivePage&) = delete;

    IPropertyPage* operator->() const { return page.Get(); }
    HWND dialog() const { return frame.FindPageDialog(); }
    void Tick() const;  // one WM_TIMER of the refresh timer, synchronously

    Frame frame;
    RecordingSite site;
    ComPtr<IPropertyPage> page;
};

// Tests of one page open on the scripted engine.
class PageTest : public ::testing::Test {
protected:
    // Opens the page; fails the test when the page or its dialog is missing.
    void OpenPage() {
        page = std::make_unique<ActivePage>(&engine);
        ASSERT_TRUE(page->page);
        dialog = page->dialog();
        ASSERT_TRUE(dialog);
    }

    FakeGainlet engine;
    std::unique_ptr<ActivePage> page;
    HWND dialog = nullptr;
};

}  // namespace gainlet_test
