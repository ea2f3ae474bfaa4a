// The page with the real DSP object while audio streams through it on
// another thread, and inside the platform's own property frame.
#include <gtest/gtest.h>

#include <windows.h>
#include <mediaobj.h>
#include <olectl.h>
#include <uuids.h>

#include <atomic>
#include <cmath>
#include <vector>

#include "base/com_object.h"
#include "base/shared_gain_state.h"
#include "common/unique_handle.h"
#include "engine/dsp_object.h"
#include "joining_thread.h"
#include "page_harness.h"
#include "resource.h"
#include "settings/property_page.h"
#include "single_interface.h"
#include "test_buffer.h"

namespace gainlet_test {
namespace {

using gainlet::test::TestBuffer;

WAVEFORMATEX Format(WORD tag, DWORD rate, WORD channels, WORD bits) {
    WAVEFORMATEX format = {};
    format.wFormatTag = tag;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.wBitsPerSample = bits;
    format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    format.nAvgBytesPerSec = rate * format.nBlockAlign;
    return format;
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
        ASSERT_EQ(gainlet::CreateComObject<gainlet::CGainlet>(nullptr, IID_IMediaObject,
                                                              reinterpret_cast<void**>(dsp.GetAddressOf())),
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
class PageFactory : public IClassFactory {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        return gainlet::test::QuerySingleInterface<IClassFactory>(this, IID_IClassFactory, iid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override {
        ++created;
        return gainlet::CreateComObject<gainlet::CGainletPropPage>(outer, iid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
    int created = 0;
};

struct FrameVisit {
    bool sawPage = false;
    std::wstring gainText, title;
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

TEST_F(LivePageTest, PlatformPropertyFrameShowsThePageAndLeavesNothingBehind) {
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

    // The frame is modal: a second thread looks at it, then closes it.
    const DWORD uiThread = GetCurrentThreadId();
    FrameVisit visit;
    testbed::JoiningThread visitor([&] {
        for (int i = 0; i < 200 && !visit.sawPage; ++i) {
            Sleep(50);
            const HWND dialog = FindSettingsDialogOfThread(uiThread);
            if (!dialog || !IsWindowVisible(dialog)) continue;
            Sleep(300);  // a few refresh ticks
            visit.sawPage = true;
            visit.gainText = ControlText(dialog, IDC_GAIN);
            visit.title = ControlText(dialog, IDC_FORMAT);
            PostMessageW(GetAncestor(dialog, GA_ROOT), WM_COMMAND, IDCANCEL, 0);
        }
    });
    IUnknown* objects[] = {dsp.Get()};
    const HRESULT hr = OleCreatePropertyFrame(nullptr, 0, 0, L"Gainlet", 1, objects, pages.cElems, pages.pElems,
                                              LOCALE_USER_DEFAULT, 0, nullptr);
    visitor.join();
    registration.reset();

    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(factory.created, 1);
    EXPECT_TRUE(visit.sawPage);
    EXPECT_EQ(visit.gainText, L"-0.131");
    EXPECT_EQ(visit.title, L"44100Hz/Int16/2ch");
    EXPECT_FALSE(FindSettingsDialogOfThread(uiThread)) << "no settings dialog is left";
    PumpMessages(100);

    specify.Reset();
    control.Reset();
    dsp.Reset();
    EXPECT_EQ(gainlet::ModuleLockCount(), 0) << "no page or DSP object is left";
}

}  // namespace
}  // namespace gainlet_test
