// Peak, lamp and format on scripted refresh ticks, with the lamp's clock
// driven by the test.
#include <gtest/gtest.h>

#include "page_harness.h"
#include "resource.h"
#include "settings/lamp_clock.h"

namespace gainlet_test {
namespace {

DWORD fakeNow = 0;
DWORD WINAPI FakeTickCount() { return fakeNow; }

class MeterTest : public PageTest {
protected:
    void SetUp() override {
        previousClock = gainlet::SetLampTickSource(&FakeTickCount);
        fakeNow = 1000;
        ASSERT_NO_FATAL_FAILURE(OpenPage());
    }
    void TearDown() override {
        page.reset();
        gainlet::SetLampTickSource(previousClock);
    }

    bool LampLit() const {
        const bool lit = IsControlVisible(dialog, IDC_LAMP_ON);
        EXPECT_NE(lit, IsControlVisible(dialog, IDC_LAMP_OFF)) << "exactly one lamp shows";
        return lit;
    }
    void TickAt(DWORD now) {
        fakeNow = now;
        page->Tick();
    }
    void TickWithAudioAt(DWORD now, float peak) {
        engine.Deliver(peak);
        TickAt(now);
    }

    gainlet::TickSource previousClock = nullptr;
};

TEST_F(MeterTest, LampLightsOnlyStrictlyAboveTheThreshold) {
    TickWithAudioAt(1000, 0.985f);
    EXPECT_FALSE(LampLit());
    TickWithAudioAt(1050, 0.9851f);
    EXPECT_TRUE(LampLit());
}

TEST_F(MeterTest, LampIsHeldFor100MsWhileAudioFlowsAnd250MsInSilence) {
    TickWithAudioAt(1000, 0.99f);
    ASSERT_TRUE(LampLit());
    TickWithAudioAt(1099, 0.5f);
    EXPECT_TRUE(LampLit());
    TickWithAudioAt(1100, 0.5f);
    EXPECT_FALSE(LampLit());

    TickWithAudioAt(2000, 0.99f);
    TickWithAudioAt(2080, 0.999f);  // renews the hold
    TickWithAudioAt(2179, 0.5f);
    EXPECT_TRUE(LampLit());
    TickAt(2329);  // no fresh audio: 250 ms
    EXPECT_TRUE(LampLit());
    TickAt(2330);
    EXPECT_FALSE(LampLit());
}

TEST_F(MeterTest, TickCounterWrapAroundDoesNotKeepTheLampLit) {
    TickWithAudioAt(0xFFFFFFC0u, 1.0f);
    ASSERT_TRUE(LampLit());
    TickWithAudioAt(0x00000023u, 0.5f);  // 99 ms later, past the wrap
    EXPECT_TRUE(LampLit());
    TickWithAudioAt(0x00000024u, 0.5f);  // 100 ms
    EXPECT_FALSE(LampLit());
}

TEST_F(MeterTest, PeakIsHeldUntilClickedAndSilenceChangesNothing) {
    TickWithAudioAt(1000, 0.5f);
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-6.000dB");
    TickWithAudioAt(1050, 0.25f);
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-6.000dB");

    // A peak the engine reports without fresh audio is not shown.
    engine.pendingPeak = 1.0f;
    engine.pendingProcessed = FALSE;
    TickAt(1100);
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-6.000dB");
    EXPECT_FALSE(LampLit());

    SendMessageW(GetDlgItem(dialog, IDC_PEAK), BM_CLICK, 0, 0);
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-INF");
    TickWithAudioAt(1150, 0.25f);
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-12.000dB");
    TickWithAudioAt(1200, 1.0f);
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"+0.000dB");
    TickWithAudioAt(1250, 2.0f);  // float audio above full scale
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"+6.000dB");
    EXPECT_TRUE(LampLit());
}

TEST_F(MeterTest, PeakTextsAtTheLimits) {
    TickWithAudioAt(1000, 0.985f);
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-0.131dB");
    SendMessageW(GetDlgItem(dialog, IDC_PEAK), BM_CLICK, 0, 0);
    TickWithAudioAt(1050, 4.656612873077393e-10f);  // 2^-31
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-186.000dB");
    SendMessageW(GetDlgItem(dialog, IDC_PEAK), BM_CLICK, 0, 0);
    TickWithAudioAt(1100, 4.6e-10f);
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-INF");
}

TEST_F(MeterTest, FormatTextFollowsTheEngine) {
    page->Tick();
    EXPECT_EQ(ControlText(dialog, IDC_FORMAT), L"----");
    engine.samplesPerSec = 44100;
    engine.channels = 2;
    engine.bitsPerSample = 16;
    page->Tick();
    EXPECT_EQ(ControlText(dialog, IDC_FORMAT), L"44100Hz/Int16/2ch");
    engine.samplesPerSec = 48000;
    engine.bitsPerSample = 32;
    engine.isFloat = TRUE;
    page->Tick();
    EXPECT_EQ(ControlText(dialog, IDC_FORMAT), L"48000Hz/Float32/2ch");
    engine.isFloat = FALSE;
    engine.bitsPerSample = 24;
    engine.samplesPerSec = 96000;
    engine.channels = 6;
    page->Tick();
    EXPECT_EQ(ControlText(dialog, IDC_FORMAT), L"96000Hz/Int24/6ch");

    engine.formatResult = E_FAIL;
    engine.channels = 0;
    page->Tick();
    EXPECT_EQ(ControlText(dialog, IDC_FORMAT), L"96000Hz/Int24/6ch") << "a failed read changes nothing";
    engine.formatResult = S_OK;
    page->Tick();
    EXPECT_EQ(ControlText(dialog, IDC_FORMAT), L"----");
}

TEST_F(MeterTest, FailingPeakReadLeavesPeakAndLampAlone) {
    TickWithAudioAt(1000, 0.99f);
    ASSERT_TRUE(LampLit());
    engine.peakResult = E_FAIL;
    engine.Deliver(0.2f);
    TickAt(1200);  // treated as silence: 250 ms hold
    EXPECT_TRUE(LampLit());
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-0.087dB");
    EXPECT_EQ(engine.formatCalls, 2) << "the format is still read";
}

TEST_F(MeterTest, TimerRunsEvery50Ms) {
    gainlet::SetLampTickSource(previousClock);
    engine.samplesPerSec = 44100;
    engine.channels = 1;
    engine.bitsPerSample = 8;
    PumpMessages(400);
    EXPECT_GE(engine.formatCalls, 4);
    EXPECT_LE(engine.formatCalls, 10);
    EXPECT_EQ(ControlText(dialog, IDC_FORMAT), L"44100Hz/Int8/1ch");
}

}  // namespace
}  // namespace gainlet_test
