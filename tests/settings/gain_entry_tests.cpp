// Typing, stepping and resetting the gain; Apply and Deactivate. The page
// runs in a real frame window and talks to a scripted engine, so every
// SetGain it makes is seen; the registry is the prefix's real one.
#include <gtest/gtest.h>

#include <cmath>

#include "message_box_answer.h"
#include "page_harness.h"
#include "resource.h"

namespace gainlet_test {
namespace {

class GainEntryTest : public PageTest {
protected:
    void SetUp() override {
        DeleteStoredGain();
        ASSERT_NO_FATAL_FAILURE(OpenPage());
    }
    void TearDown() override {
        page.reset();
        DeleteStoredGain();
    }

    float LastPreview() const { return engine.setGainCalls.empty() ? NAN : engine.setGainCalls.back(); }
    bool Stored(DWORD* bits) const {
        DWORD type = REG_NONE;
        return ReadStoredGain(&type, bits) && type == REG_DWORD;
    }
};

TEST_F(GainEntryTest, OpensCleanWithTheEngineGain) {
    EXPECT_EQ(ControlText(dialog, IDC_GAIN), L"-0.131");
    EXPECT_EQ(ControlText(dialog, IDC_PERCENT), L"(98.498%)");
    EXPECT_EQ(ControlText(dialog, IDC_PEAK), L"-INF");
    EXPECT_EQ(ControlText(dialog, IDC_FORMAT), L"----");
    EXPECT_TRUE(IsControlVisible(dialog, IDC_LAMP_OFF));
    EXPECT_FALSE(IsControlVisible(dialog, IDC_LAMP_ON));
    EXPECT_EQ((*page)->IsPageDirty(), S_FALSE);
    // The start's own EN_CHANGE reports dirty; the start then reports clean.
    EXPECT_EQ(page->site.statusChanges, (std::vector<DWORD>{PROPPAGESTATUS_DIRTY, PROPPAGESTATUS_CLEAN}));
    DWORD bits;
    EXPECT_FALSE(Stored(&bits));
}

struct TypedCase {
    const wchar_t* typed;
    float preview;
    const wchar_t* percent;
};

TEST_F(GainEntryTest, EveryTypedTextIsPreviewedAtOnce) {
    const TypedCase cases[] = {
        {L"6", 6.0f, L"(200.000%)"},   {L"-0.0004", 0.0f, L"(100.000%)"},    {L"", 0.0f, L"(100.000%)"},
        {L"abc", 0.0f, L"(100.000%)"}, {L"+30", 24.0f, L"(1600.000%)"},      {L"-150", -100.0f, L"(0.001%)"},
        {L"-6", -6.0f, L"(50.000%)"},  {L"  1.5e1dB", 15.0f, L"(565.685%)"}, {L"-.5", -0.5f, L"(94.387%)"},
        {L"1e", 1.0f, L"(112.246%)"},
    };
    for (const TypedCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed \"" << std::string(c.typed, c.typed + wcslen(c.typed)) << "\"");
        const size_t callsBefore = engine.setGainCalls.size();
        TypeGain(dialog, c.typed);
        ASSERT_EQ(engine.setGainCalls.size(), callsBefore + 1);
        EXPECT_EQ(LastPreview(), c.preview);
        if (c.preview == 0.0f) {
            EXPECT_FALSE(std::signbit(LastPreview())) << "+0, never -0";
        }
        EXPECT_EQ(ControlText(dialog, IDC_PERCENT), c.percent);
        EXPECT_EQ(ControlText(dialog, IDC_GAIN), c.typed) << "the edit keeps what was typed";
    }
    EXPECT_EQ((*page)->IsPageDirty(), S_OK);
    DWORD bits;
    EXPECT_FALSE(Stored(&bits)) << "nothing reaches the registry before Apply";
}

TEST_F(GainEntryTest, DirtyIsReportedOnceUntilApplied) {
    page->site.statusChanges.clear();
    TypeGain(dialog, L"1");
    TypeGain(dialog, L"12");
    EXPECT_EQ(page->site.statusChanges, std::vector<DWORD>{PROPPAGESTATUS_DIRTY});
    ASSERT_EQ((*page)->Apply(), S_OK);
    EXPECT_EQ((*page)->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->site.statusChanges.size(), 1u) << "Apply cleans without a report";
    TypeGain(dialog, L"3");
    EXPECT_EQ((*page)->IsPageDirty(), S_OK);
    EXPECT_EQ(page->site.statusChanges, (std::vector<DWORD>{PROPPAGESTATUS_DIRTY, PROPPAGESTATUS_DIRTY}));
}

TEST_F(GainEntryTest, SpinStepsByThousandthsAcrossZeroAndStopsAtTheBounds) {
    TypeGain(dialog, L"+0.000");
    PressArrow(dialog, VK_DOWN);
    EXPECT_EQ(ControlText(dialog, IDC_GAIN), L"-0.001");
    EXPECT_EQ(LastPreview(), -0.001f);
    PressArrow(dialog, VK_UP);
    EXPECT_EQ(ControlText(dialog, IDC_GAIN), L"+0.000");
    EXPECT_FALSE(std::signbit(LastPreview()));

    TypeGain(dialog, L"23.9995");
    PressArrow(dialog, VK_UP);
    EXPECT_EQ(ControlText(dialog, IDC_GAIN), L"+24.000");
    PressArrow(dialog, VK_UP);
    EXPECT_EQ(ControlText(dialog, IDC_GAIN), L"+24.000");
    EXPECT_EQ(LastPreview(), 24.0f);

    TypeGain(dialog, L"-100");
    PressArrow(dialog, VK_DOWN);
    EXPECT_EQ(ControlText(dialog, IDC_GAIN), L"-100.000");
    EXPECT_EQ(LastPreview(), -100.0f);

    TypeGain(dialog, L"abc");
    PressArrow(dialog, VK_UP);
    EXPECT_EQ(ControlText(dialog, IDC_GAIN), L"+0.001");

    // After a step the whole text is selected: a typed digit replaces it
    // instead of landing in front of it ("5+0.001" would preview +5 dB).
    SendDlgItemMessageW(dialog, IDC_GAIN, WM_CHAR, L'5', 1);
    EXPECT_EQ(ControlText(dialog, IDC_GAIN), L"5");

    // Typed past the edit's width, no character is dropped: the text scrolls.
    SendDlgItemMessageW(dialog, IDC_GAIN, EM_SETSEL, 0, -1);
    for (const wchar_t* c = L"-12.34567"; *c; ++c) SendDlgItemMessageW(dialog, IDC_GAIN, WM_CHAR, *c, 1);
    EXPECT_EQ(ControlText(dialog, IDC_GAIN), L"-12.34567");
    EXPECT_EQ(LastPreview(), -12.34567f);
}

TEST_F(GainEntryTest, DefaultButtonRestoresTheDefault) {
    TypeGain(dialog, L"6");
    SendMessageW(GetDlgItem(dialog, IDC_DEFAULT), BM_CLICK, 0, 0);
    EXPECT_EQ(ControlText(dialog, IDC_GAIN), L"-0.131");
    EXPECT_EQ(LastPreview(), -0.131f);
    EXPECT_EQ(ControlText(dialog, IDC_PERCENT), L"(98.498%)");
}

struct ApplyCase {
    const wchar_t* typed;
    float stored;
};

TEST_F(GainEntryTest, ApplyStoresTheTypedGainWithoutSnapping) {
    const ApplyCase cases[] = {
        {L"+24", 24.0f}, {L"-150", -100.0f}, {L"", -0.131f}, {L"abc", 0.0f}, {L"-0.0004", -0.0004f}, {L"6", 6.0f},
    };
    for (const ApplyCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "typed \"" << std::string(c.typed, c.typed + wcslen(c.typed)) << "\"");
        DeleteStoredGain();
        TypeGain(dialog, c.typed);
        ASSERT_EQ((*page)->Apply(), S_OK);
        DWORD bits = 0;
        ASSERT_TRUE(Stored(&bits));
        EXPECT_EQ(bits, FloatBits(c.stored));
        EXPECT_EQ(FloatBits(LastPreview()), FloatBits(c.stored)) << "the engine takes the applied gain";
        EXPECT_EQ((*page)->IsPageDirty(), S_FALSE);
    }
    DWORD bits = 0;
    ASSERT_TRUE(Stored(&bits));
    EXPECT_EQ(bits, 0x40C00000u);
    TypeGain(dialog, L"+24");
    ASSERT_EQ((*page)->Apply(), S_OK);
    ASSERT_TRUE(Stored(&bits));
    EXPECT_EQ(bits, 0x41C00000u);
}

TEST_F(GainEntryTest, ApplyAboveTheRangeIsRefusedWithTheMessage) {
    TypeGain(dialog, L"+24.001");
    MessageBoxAnswer answer(L"", L"OK");
    EXPECT_EQ((*page)->Apply(), E_FAIL);
    const MessageBoxAnswer::Report report = answer.Wait();
    EXPECT_EQ(report.exitCode, 0u) << report.output;
    EXPECT_NE(report.output.find("buttons: OK*\n"), std::string::npos) << report.output;
    EXPECT_NE(report.output.find("You must enter a volume between -100dB and +24dB."), std::string::npos)
        << report.output;

    DWORD bits;
    EXPECT_FALSE(Stored(&bits));
    EXPECT_EQ((*page)->IsPageDirty(), S_OK);
    EXPECT_EQ(LastPreview(), 24.0f) << "the engine keeps the previewed gain";

    // Deactivate drops the preview: the gain found at the start returns.
    (*page)->Deactivate();
    EXPECT_EQ(LastPreview(), -0.131f);
    EXPECT_FALSE(Stored(&bits));
}

TEST_F(GainEntryTest, DeactivateRestoresTheAppliedGainAndClosesTheDialog) {
    TypeGain(dialog, L"6");
    EXPECT_EQ(LastPreview(), 6.0f);
    ASSERT_EQ((*page)->IsPageDirty(), S_OK);
    ASSERT_EQ((*page)->Deactivate(), S_OK);
    EXPECT_EQ(LastPreview(), -0.131f);
    EXPECT_FALSE(page->dialog()) << "the dialog and its timer end with Deactivate";
    EXPECT_EQ((*page)->IsPageDirty(), S_FALSE) << "the unapplied edit went with its preview";
    DWORD bits;
    EXPECT_FALSE(Stored(&bits));
    // With the dialog gone there is no entry to apply: the default must
    // not be stored in its place.
    EXPECT_EQ((*page)->Apply(), S_OK);
    EXPECT_FALSE(Stored(&bits));

    // A second activation starts from the engine, which holds the applied gain.
    RECT rect = {0, 0, 400, 250};
    ASSERT_EQ((*page)->Activate(page->frame.window(), &rect, FALSE), S_OK);
    dialog = page->dialog();
    TypeGain(dialog, L"-3");
    ASSERT_EQ((*page)->Apply(), S_OK);
    TypeGain(dialog, L"+9");
    (*page)->Deactivate();
    EXPECT_EQ(LastPreview(), -3.0f);
}

TEST_F(GainEntryTest, ASecondActivateHandsBackTheAppliedGainFirst) {
    TypeGain(dialog, L"1.5");
    ASSERT_EQ((*page)->Apply(), S_OK);
    TypeGain(dialog, L"6");
    ASSERT_EQ(LastPreview(), 6.0f);

    RECT rect = {0, 0, 400, 250};
    ASSERT_EQ((*page)->Activate(page->frame.window(), &rect, FALSE), S_OK);
    EXPECT_EQ(ControlText(page->dialog(), IDC_GAIN), L"+1.500") << "the preview is not taken for applied";
    (*page)->Deactivate();
    EXPECT_EQ(engine.gain, 1.5f);
    DWORD bits = 0;
    ASSERT_TRUE(Stored(&bits));
    EXPECT_EQ(bits, FloatBits(1.5f));
}

TEST(GainEntryStart, ExtraDecimalsArePreviewedRoundedButAppliedExactly) {
    FakeGainlet engine;
    engine.gain = -0.1234f;
    {
        ActivePage page(&engine);
        EXPECT_EQ(ControlText(page.dialog(), IDC_GAIN), L"-0.123");
        ASSERT_FALSE(engine.setGainCalls.empty());
        EXPECT_EQ(engine.setGainCalls.back(), -0.123f);
    }
    EXPECT_EQ(engine.setGainCalls.back(), -0.1234f) << "Deactivate hands back the exact starting gain";
}

TEST(GainEntryStart, WithoutAnEngineTheStoredGainIsShown) {
    StoreGainBits(FloatBits(3.5f));
    {
        ActivePage page(nullptr);
        EXPECT_EQ(ControlText(page.dialog(), IDC_GAIN), L"+3.500");
        EXPECT_EQ(ControlText(page.dialog(), IDC_PERCENT), L"(149.831%)");
        page.Tick();
        EXPECT_EQ(ControlText(page.dialog(), IDC_FORMAT), L"----");
    }
    DeleteStoredGain();
    ActivePage page(nullptr);
    EXPECT_EQ(ControlText(page.dialog(), IDC_GAIN), L"-0.131");
}

}  // namespace
}  // namespace gainlet_test
