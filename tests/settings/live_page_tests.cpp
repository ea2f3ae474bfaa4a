// The page with the real DSP object while audio streams through it on
// another thread, and inside the platform's own property frame.
#include <gtest/gtest.h>

#include <windows.h>
#include <mediaobj.h>
#include <olectl.h>
#include <uuids.h>

#include <atomic>
#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "base/com_object.h"
#include "base/shared_gain_state.h"
#include "common/unique_handle.h"
#include "engine/dsp_object.h"
#include "joining_thread.h"
#include "keyboard_input.h"
#include "page_harness.h"
#include "resource.h"
#include "settings/property_page.h"
#include "single_interface.h"
#include "test_buffer.h"
#include "wave_format.h"

namespace gainlet_test {
namespace {

using gainlet::test::FocusOfThread;
using gainlet::test::TestBuffer;

WAVEFORMATEX Format(WORD tag, DWORD rate, WORD channels, WORD bits) {
    return gainlet::test::WaveBlock({tag, channels, rate, bits}).Format;
}

HRESULT SetTypes(IMediaObject* dsp, WAVEFORMATEX format) {
    DMO_MEDIA_TYPE type = {};
    type.majortype = MEDIATYPE_Audio;
    type.subtype = format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM;
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = format.nBlockAlign;
    type.formattype = FORMAT_WaveFormatEx;
    type.cbFormat = sizeof format;
    type.pbFormat = reinterpret_cast<BYTE*>(&format);
    dsp->SetOutputType(0, nullptr, DMO_SET_TYPEF_CLEAR);
    dsp->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR);
    HRESULT hr = dsp->SetInputType(0, &type, 0);
    if (SUCCEEDED(hr)) hr = dsp->SetOutputType(0, &type, 0);
    return hr;
}

// Streams a sine of the given amplitude (1.0 = full scale) through the DSP
// object, about in real time, until stopped.
class Streamer {
public:
    Streamer(IMediaObject* dsp, WAVEFORMATEX format, double amplitude)
        : thread([this, dsp, format, amplitude] { Run(dsp, format, amplitude); }) {}
    ~Streamer() {
        stop = true;
        thread.join();
    }
    int Runs() const { return runs; }

private:
    void Run(IMediaObject* dsp, WAVEFORMATEX format, double amplitude) {
        const DWORD frames = format.nSamplesPerSec / 100;  // 10 ms
        TestBuffer input(frames * format.nBlockAlign), output(frames * format.nBlockAlign);
        for (DWORD i = 0; i < frames * format.nChannels; ++i) {
            const double s =
                amplitude *
                std::sin(2 * 3.14159265358979 * 441.0 * (i / format.nChannels) / format.nSamplesPerSec + 1.0);
            if (format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
                reinterpret_cast<float*>(input.memory.data())[i] = static_cast<float>(s);
            } else {
                reinterpret_cast<short*>(input.memory.data())[i] = static_cast<short>(std::lround(s * 32767.0));
            }
        }
        // The loudest sample of every buffer sits at full amplitude.
        if (format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
            reinterpret_cast<float*>(input.memory.data())[0] = static_cast<float>(amplitude);
        } else {
            reinterpret_cast<short*>(input.memory.data())[0] = static_cast<short>(std::lround(amplitude * 32767.0));
        }
        input.SetLength(frames * format.nBlockAlign);

        while (!stop) {
            if (SUCCEEDED(dsp->ProcessInput(0, &input, 0, 0, 0))) {
                DMO_OUTPUT_DATA_BUFFER out = {&output, 0, 0, 0};
                DWORD status = 0;
                output.SetLength(0);
                if (SUCCEEDED(dsp->ProcessOutput(0, 1, &out, &status))) ++runs;
            }
            Sleep(10);
        }
    }

    std::atomic<bool> stop{false};
    std::atomic<int> runs{0};
    testbed::JoiningThread thread;
};

class LivePageTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteStoredGain();
        ASSERT_EQ(gainlet::CGainlet::Create(nullptr, IID_IMediaObject, reinterpret_cast<void**>(dsp.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(dsp.As(&control), S_OK);
        control->SetGain(gainlet::kDefaultGainDb);
        BOOL processed;
        float peak;
        control->GetPeak(&peak, &processed, TRUE);
    }
    void TearDown() override { DeleteStoredGain(); }

    ComPtr<IMediaObject> dsp;
    ComPtr<IGainlet> control;
};

TEST_F(LivePageTest, MeterLampAndFormatFollowTheAudio) {
    ASSERT_EQ(SetTypes(dsp.Get(), Format(WAVE_FORMAT_PCM, 44100, 2, 16)), S_OK);
    ActivePage page(dsp.Get());
    const HWND dialog = page.dialog();
    ASSERT_TRUE(dialog);
    {
        // Full-scale audio at the default gain stays just below the lamp's
        // threshold: that is what the default is for.
        Streamer streamer(dsp.Get(), Format(WAVE_FORMAT_PCM, 44100, 2, 16), 1.0);
        PumpMessages(400);
        ASSERT_GT(streamer.Runs(), 5);
        EXPECT_EQ(ControlText(dialog, IDC_FORMAT), L"44100Hz/Int16/2ch");
        EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-0.131dB");
        EXPECT_FALSE(IsControlVisible(dialog, IDC_LAMP_ON));

        TypeGain(dialog, L"0");
        PumpMessages(300);
        EXPECT_TRUE(IsControlVisible(dialog, IDC_LAMP_ON));
        EXPECT_FALSE(IsControlVisible(dialog, IDC_LAMP_OFF));
        EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-0.000dB");
    }
    PumpMessages(700);
    EXPECT_FALSE(IsControlVisible(dialog, IDC_LAMP_ON)) << "silence lets the lamp go out";
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-0.000dB") << "the held peak stays";

    ASSERT_EQ(SetTypes(dsp.Get(), Format(WAVE_FORMAT_IEEE_FLOAT, 48000, 2, 32)), S_OK);
    SendMessageW(GetDlgItem(dialog, IDC_PEAK), BM_CLICK, 0, 0);
    {
        Streamer streamer(dsp.Get(), Format(WAVE_FORMAT_IEEE_FLOAT, 48000, 2, 32), 0.5);
        PumpMessages(300);
    }
    EXPECT_EQ(ControlText(dialog, IDC_FORMAT), L"48000Hz/Float32/2ch");
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-6.000dB");
    EXPECT_FALSE(IsControlVisible(dialog, IDC_LAMP_ON));
}

// Hands out the page the way the DLL's class object does.
class PageFactory : public gainlet::test::StandIn<IClassFactory> {
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override {
        ++created;
        return gainlet::CGainletPropPage::Create(outer, iid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
    int created = 0;
};

struct FrameVisit {
    bool sawPage = false;
    std::wstring gainText, title;
    float previewedGain = 0.0f;
    std::vector<std::string> missedSteps;  // keyboard steps that did not do what they should
};

BOOL CALLBACK FindSettingsDialog(HWND window, LPARAM found) {
    if (GetDlgItem(window, IDC_GAIN_SPIN) && GetDlgItem(window, IDC_LAMP_OFF)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    EnumChildWindows(window, FindSettingsDialog, found);
    return *reinterpret_cast<HWND*>(found) ? FALSE : TRUE;
}

HWND FindSettingsDialogOfThread(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(thread, FindSettingsDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The platform's frame drives the page with its own dialog navigation and
// never calls the page's TranslateAccelerator nor Apply: the page's part is
// to be a control parent that the frame walks into and out of.
TEST_F(LivePageTest, PlatformPropertyFrameShowsThePageWorksByKeyboardAndLeavesNothingBehind) {
    PageFactory factory;
    gainlet::ClassRegistration registration;
    ASSERT_EQ(CoRegisterClassObject(CLSID_GainletPropPage, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                    registration.put()),
              S_OK);
    ASSERT_EQ(SetTypes(dsp.Get(), Format(WAVE_FORMAT_PCM, 44100, 2, 16)), S_OK);

    ComPtr<ISpecifyPropertyPages> specify;
    ASSERT_EQ(dsp.As(&specify), S_OK);
    CAUUID pages = {};
    ASSERT_EQ(specify->GetPages(&pages), S_OK);
    const gainlet::CoTaskMemPtr<GUID> pageIds(pages.pElems);

    struct Row {
        const char* closedBy;
        WORD closingKey;
        bool navigate;  // Tab through and out of the page first
    };
    for (const Row& row : {Row{"Escape", VK_ESCAPE, true}, Row{"Enter", VK_RETURN, false}}) {
        SCOPED_TRACE(row.closedBy);
        // The frame is modal: a second thread looks at it, types and
        // presses keys as a user does, then closes it with the row's key.
        const DWORD uiThread = GetCurrentThreadId();
        FrameVisit visit;
        testbed::JoiningThread visitor([&] {
            HWND dialog = nullptr;
            for (int i = 0; i < 200 && !dialog; ++i) {
                Sleep(50);
                dialog = FindSettingsDialogOfThread(uiThread);
                if (dialog && !IsWindowVisible(dialog)) dialog = nullptr;
            }
            if (!dialog) return;
            Sleep(300);  // a few refresh ticks
            visit.sawPage = true;
            visit.gainText = ControlText(dialog, IDC_GAIN);
            visit.title = ControlText(dialog, IDC_FORMAT);
            TypeGain(dialog, L"+6");
            control->GetGain(&visit.previewedGain);

            const auto inPage = [&] { return IsChild(dialog, FocusOfThread(uiThread)) != FALSE; };
            const auto step = [&](const char* what, std::initializer_list<WORD> keys, auto reached, int mostPresses) {
                if (!gainlet::test::PressKeysUntil(keys, reached, mostPresses)) visit.missedSteps.push_back(what);
            };
            if (row.navigate) {
                step(
                    "Tab moves through the page", {VK_TAB},
                    [&] { return FocusOfThread(uiThread) == GetDlgItem(dialog, IDC_DEFAULT); }, 1);
                step(
                    "Tab past the page's last control leaves it", {VK_TAB}, [&] { return !inPage(); }, 4);
                step(
                    "Alt+V focuses the gain", {VK_MENU, 'V'},
                    [&] { return FocusOfThread(uiThread) == GetDlgItem(dialog, IDC_GAIN); }, 1);
                step(
                    "Shift+Tab before the page's first control leaves it", {VK_SHIFT, VK_TAB},
                    [&] { return !inPage(); }, 1);
            }
            step(
                "the closing key closes the frame", {row.closingKey},
                [&] { return !FindSettingsDialogOfThread(uiThread); }, 1);
        });
        IUnknown* objects[] = {dsp.Get()};
        const HRESULT hr = OleCreatePropertyFrame(nullptr, 0, 0, L"Gainlet", 1, objects, pages.cElems, pages.pElems,
                                                  LOCALE_USER_DEFAULT, 0, nullptr);
        visitor.join();

        EXPECT_EQ(hr, S_OK);
        EXPECT_TRUE(visit.sawPage);
        EXPECT_EQ(visit.gainText, L"-0.131");
        EXPECT_EQ(visit.title, L"44100Hz/Int16/2ch");
        EXPECT_EQ(visit.previewedGain, 6.0f) << "typing previews";
        EXPECT_TRUE(visit.missedSteps.empty())
            << visit.missedSteps.size()
            << " steps missed, the first: " << (visit.missedSteps.empty() ? "" : visit.missedSteps[0]);
        float gain = 0.0f;
        control->GetGain(&gain);
        EXPECT_EQ(gain, gainlet::kDefaultGainDb) << "the closed page hands back the gain it found";
        EXPECT_FALSE(FindSettingsDialogOfThread(uiThread)) << "no settings dialog is left";
        PumpMessages(100);
    }
    registration.reset();
    EXPECT_EQ(factory.created, 2);

    specify.Reset();
    control.Reset();
    dsp.Reset();
    EXPECT_EQ(gainlet::ModuleLockCount(), 0) << "no page or DSP object is left";
}

}  // namespace
}  // namespace gainlet_test
