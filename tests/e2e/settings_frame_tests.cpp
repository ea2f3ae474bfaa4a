// The registered plug-in's settings page in dsphost's property frame, with
// a WAV looping through the plug-in: this program plays the user from
// outside dsphost's process, through the frame's own message loop, and
// checks what the page previews in the audio (its peak meter), what the
// frame's buttons store in the registry, and the gain dsphost reports
// the plug-in is left with once the frame is closed.
//
// Environment: as for e2e_driver.cpp. Needs a display.
#include <gtest/gtest.h>

#include <mmreg.h>
#include <ocidl.h>
#include <shlwapi.h>
#include <wrl/client.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "e2e_support.h"
#include "gainlet.h"
#include "joining_thread.h"
#include "keyboard_input.h"
#include "message_box_answer.h"
#include "piped_process.h"
#include "plugin_records.h"
#include "property_frame_resource.h"
#include "resource.h"
#include "settings_key.h"
#include "stored_gain.h"
#include "wav_file.h"
#include "wave_format.h"

namespace {

using e2e::Env;
using e2e::Regsvr32;
using Microsoft::WRL::ComPtr;

using gainlet::test::DeleteStoredGain;
using gainlet::test::HasStoredGain;
using gainlet::test::ReadStoredGain;

void ExpectStoredGain(float gainDb) {
    DWORD type = 0, bits = 0;
    ASSERT_TRUE(ReadStoredGain(&type, &bits)) << "no " << gainDb << " dB stored";
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(bits, gainlet::test::FloatBits(gainDb)) << "the bit pattern of " << gainDb << "f";
}

// A tenth of a second of 48 kHz stereo float whose every sample is +-0.5,
// so that the page's meter reads -6 dB plus the gain.
void WriteHalfScaleWav(const std::wstring& path) {
    const gainlet::test::WaveFormat format = {WAVE_FORMAT_IEEE_FLOAT, 2, 48000, 32};
    std::vector<float> samples(4800 * format.channels);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = (i / format.channels) % 2 ? -0.5f : 0.5f;
    dsphost::WavWriter writer;
    ASSERT_EQ(writer.Create(path, gainlet::test::WaveBytes(format)), S_OK);
    ASSERT_EQ(writer.Append(reinterpret_cast<const BYTE*>(samples.data()),
                            static_cast<DWORD>(samples.size() * sizeof(float))),
              S_OK);
    ASSERT_EQ(writer.Commit(), S_OK);
}

// dsphost --settings with the WAV, its frame and the page in it.
class SettingsHost {
public:
    explicit SettingsHost(const std::wstring& wav)
        : dsphost(L"\"" + Env(L"GAINLET_DSPHOST") + L"\" --settings \"" + wav + L"\"") {
        if (!dsphost.Started()) return;
        reader = testbed::JoiningThread([this] { output = dsphost.ReadToEnd(); });
        for (int waited = 0; waited < 30000 && !page; waited += 100) {
            Sleep(100);
            EnumWindows(FindFrame, reinterpret_cast<LPARAM>(this));
        }
    }
    ~SettingsHost() {
        dsphost.End();
        reader.join();
    }
    SettingsHost(const SettingsHost&) = delete;
    SettingsHost& operator=(const SettingsHost&) = delete;

    HWND frame = nullptr;
    HWND page = nullptr;
    HWND FrameButton(int id) const { return GetDlgItem(frame, id); }
    HWND Control(int id) const { return GetDlgItem(page, id); }

    static std::wstring Text(HWND window) {
        wchar_t text[256] = {};
        DWORD_PTR ignored;
        SendMessageTimeoutW(window, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                            &ignored);
        return text;
    }
    HWND Focus() const { return gainlet::test::FocusOfThread(dsphost.ThreadId()); }
    // The page's window appears before the frame has set the focus in it.
    bool WaitForFocus(HWND expected) const {
        for (int waited = 0; waited < 5000 && Focus() != expected; waited += 20) Sleep(20);
        return Focus() == expected;
    }

    // Replaces the gain text keystroke by keystroke, through dsphost's
    // message loop, and waits until the edit shows it.
    void TypeGain(const std::wstring& text) const {
        const HWND edit = Control(IDC_GAIN);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        for (wchar_t c : text) PostMessageW(edit, WM_CHAR, c, 1);
        for (int waited = 0; waited < 5000 && Text(edit) != text; waited += 20) Sleep(20);
    }
    void Click(int id) const { PostMessageW(FrameButton(id), BM_CLICK, 0, 0); }

    // The held peak in dB once the audio has run at the current gain: the
    // meter is cleared with its button and read at its next refresh.
    double FreshPeakDb() const {
        Sleep(300);
        DWORD_PTR ignored;
        SendMessageTimeoutW(Control(IDC_PEAK), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
        std::wstring text = L"-INF";
        for (int waited = 0; waited < 5000 && text == L"-INF"; waited += 20) {
            Sleep(20);
            text = Text(Control(IDC_PEAK));
        }
        wchar_t* end = nullptr;
        const double value = wcstod(text.c_str(), &end);
        return end != text.c_str() ? value : -999.0;
    }

    bool WaitUntil(bool (*condition)(HWND), HWND window, bool expected) const {
        for (int waited = 0; waited < 5000; waited += 20) {
            if (condition(window) == expected) return true;
            Sleep(20);
        }
        return false;
    }

    // Waits for dsphost to end; its exit code, or ~0 when it hangs.
    DWORD Finish() {
        const DWORD exitCode = dsphost.WaitForExit(20000);
        if (exitCode != ~0u) reader.join();
        return exitCode;
    }
    std::string output;

private:
    static BOOL CALLBACK FindFrame(HWND window, LPARAM param) {
        auto* host = reinterpret_cast<SettingsHost*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner != host->dsphost.ProcessId() || !IsWindowVisible(window)) return TRUE;
        if (!GetDlgItem(window, IDC_FRAME_APPLY)) return TRUE;
        HWND page = nullptr;
        EnumChildWindows(window, FindPage, reinterpret_cast<LPARAM>(&page));
        if (!page) return TRUE;
        host->frame = window;
        host->page = page;
        return FALSE;
    }
    // The settings dialog, at whatever depth the frame holds it.
    static BOOL CALLBACK FindPage(HWND window, LPARAM param) {
        if (!GetDlgItem(window, IDC_GAIN) || !IsWindowVisible(window)) return TRUE;
        *reinterpret_cast<HWND*>(param) = window;
        return FALSE;
    }

    gainlet::test::PipedProcess dsphost;
    testbed::JoiningThread reader;
};

bool Enabled(HWND window) { return IsWindowEnabled(window) != FALSE; }

class SettingsFrame : public e2e::RegistrarTest {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_NO_FATAL_FAILURE(RegistrarTest::SetUp());
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, testbed::kRegistrarKeyPath);
        ASSERT_EQ(Regsvr32(L"", dll), 0u);
        DeleteStoredGain();
        wav = Env(L"GAINLET_WORKDIR") + L"\\half-scale.wav";
        WriteHalfScaleWav(wav);
    }
    void TearDown() override {
        Regsvr32(L"/u ", dll);
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, testbed::kRegistrarKeyPath);
        DeleteStoredGain();
        CoUninitialize();
    }
    std::wstring wav;
};

TEST_F(SettingsFrame, TypedGainIsPreviewedApplyStoresItAndCancelKeepsTheApplied) {
    SettingsHost host(wav);
    ASSERT_TRUE(host.page) << "no property frame with the settings page appeared";

    // The frame is laid out from GetPageInfo: the page has the size it
    // asked for, and the buttons stand below it.
    ComPtr<IPropertyPage> probe;
    ASSERT_EQ(CoCreateInstance(CLSID_GainletPropPage, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                               reinterpret_cast<void**>(probe.GetAddressOf())),
              S_OK);
    PROPPAGEINFO info = {};
    info.cb = sizeof info;
    ASSERT_EQ(probe->GetPageInfo(&info), S_OK);
    const gainlet::CoTaskMemPtr<OLECHAR> title(info.pszTitle), docString(info.pszDocString), helpFile(info.pszHelpFile);
    RECT page, ok;
    GetWindowRect(host.page, &page);
    GetWindowRect(host.FrameButton(IDOK), &ok);
    EXPECT_EQ(page.right - page.left, info.size.cx);
    EXPECT_EQ(page.bottom - page.top, info.size.cy);
    EXPECT_LT(page.bottom, ok.top);

    EXPECT_FALSE(Enabled(host.FrameButton(IDC_FRAME_APPLY))) << "nothing to apply when the page opens";
    EXPECT_NEAR(host.FreshPeakDb(), -6.131, 0.0015) << "the default gain";

    host.TypeGain(L"+6");
    EXPECT_TRUE(host.WaitUntil(Enabled, host.FrameButton(IDC_FRAME_APPLY), true)) << "a change enables Apply";
    EXPECT_NEAR(host.FreshPeakDb(), 0.0, 0.0015) << "the typed gain is heard at once";
    EXPECT_FALSE(HasStoredGain()) << "a preview stores nothing";

    host.Click(IDC_FRAME_APPLY);
    EXPECT_TRUE(host.WaitUntil(Enabled, host.FrameButton(IDC_FRAME_APPLY), false)) << "nothing left to apply";
    ExpectStoredGain(6.0f);

    host.TypeGain(L"-3");
    EXPECT_NEAR(host.FreshPeakDb(), -9.0, 0.0015);
    host.Click(IDCANCEL);
    EXPECT_EQ(host.Finish(), 0u) << host.output;
    EXPECT_NE(host.output.find("frame: Cancel\ngain: +6.000 dB"), std::string::npos)
        << "Cancel hands the applied gain back: " << host.output;
    ExpectStoredGain(6.0f);
}

TEST_F(SettingsFrame, RefusedGainShowsTheRangeMessageAndKeepsTheFrameOpen) {
    SettingsHost host(wav);
    ASSERT_TRUE(host.page) << "no property frame with the settings page appeared";
    host.TypeGain(L"+30");
    EXPECT_NEAR(host.FreshPeakDb(), 18.0, 0.0015) << "the preview stops at +24 dB";

    for (int id : {IDC_FRAME_APPLY, IDOK}) {
        SCOPED_TRACE(id == IDOK ? "OK" : "Apply");
        gainlet_test::MessageBoxAnswer answer(L"", L"OK");
        host.Click(id);
        const gainlet_test::MessageBoxAnswer::Report report = answer.Wait();
        EXPECT_EQ(report.exitCode, 0u) << report.output;
        EXPECT_NE(report.output.find("You must enter a volume between -100dB and +24dB."), std::string::npos)
            << report.output;
        Sleep(300);
        EXPECT_FALSE(HasStoredGain());
        EXPECT_TRUE(IsWindowVisible(host.frame)) << "the frame stays open";
        EXPECT_TRUE(Enabled(host.FrameButton(IDC_FRAME_APPLY))) << "the change is still not applied";
    }

    host.Click(IDCANCEL);
    EXPECT_EQ(host.Finish(), 0u) << host.output;
    EXPECT_NE(host.output.find("frame: Cancel\ngain: -0.131 dB"), std::string::npos) << host.output;
    EXPECT_FALSE(HasStoredGain());
}

// Keys pressed as a user presses them, each step checked before the next:
// the page keeps the keys its controls need and hands the rest to the frame.
TEST_F(SettingsFrame, KeysWorkThePageAndTheFrame) {
    SettingsHost host(wav);
    ASSERT_TRUE(host.page) << "no property frame with the settings page appeared";
    ASSERT_TRUE(host.WaitForFocus(host.Control(IDC_GAIN))) << "the frame focuses the page's first control";
    host.TypeGain(L"-1.5");

    const auto inPage = [&host] { return IsChild(host.page, host.Focus()) != FALSE; };
    const auto onFrameControl = [&host] {
        const HWND focus = host.Focus();
        return focus && IsChild(host.frame, focus) && !IsChild(host.page, focus);
    };
    struct Step {
        const char* what;
        std::initializer_list<WORD> keys;
        std::function<bool()> reached;
        int mostPresses;
    };
    const Step steps[] = {
        {"Tab moves through the page's controls",
         {VK_TAB},
         [&] { return host.Focus() == host.Control(IDC_DEFAULT); },
         1},
        {"Tab past the page's last control reaches the frame's controls", {VK_TAB}, onFrameControl, 4},
        {"the page's own mnemonic (Alt+V) focuses the gain",
         {VK_MENU, 'V'},
         [&] { return host.Focus() == host.Control(IDC_GAIN); },
         1},
        {"Shift+Tab before the page's first control leaves it the other way", {VK_SHIFT, VK_TAB}, onFrameControl, 1},
        {"the frame's mnemonic (Alt+A) applies",
         {VK_MENU, 'A'},
         [&] { return !Enabled(host.FrameButton(IDC_FRAME_APPLY)); },
         1},
        {"Alt+V again", {VK_MENU, 'V'}, inPage, 1},
    };
    for (const Step& step : steps)
        EXPECT_TRUE(gainlet::test::PressKeysUntil(step.keys, step.reached, step.mostPresses)) << step.what;
    ExpectStoredGain(-1.5f);

    host.TypeGain(L"-3");
    EXPECT_NEAR(host.FreshPeakDb(), -9.0, 0.0015) << "typed while the focus is back in the page";
    ASSERT_TRUE(gainlet::test::PressKeys({VK_ESCAPE}));
    EXPECT_EQ(host.Finish(), 0u) << host.output;
    EXPECT_NE(host.output.find("frame: Cancel\ngain: -1.500 dB"), std::string::npos)
        << "Escape is Cancel and hands the applied gain back: " << host.output;
    ExpectStoredGain(-1.5f);
}

TEST_F(SettingsFrame, EnterAfterTypingIsTheFramesOk) {
    SettingsHost host(wav);
    ASSERT_TRUE(host.page) << "no property frame with the settings page appeared";
    ASSERT_TRUE(host.WaitForFocus(host.Control(IDC_GAIN)));
    host.TypeGain(L"-2");
    ASSERT_TRUE(gainlet::test::PressKeys({VK_RETURN}));
    EXPECT_EQ(host.Finish(), 0u) << host.output;
    EXPECT_NE(host.output.find("frame: OK\ngain: -2.000 dB"), std::string::npos) << host.output;
    ExpectStoredGain(-2.0f);
}

}  // namespace
