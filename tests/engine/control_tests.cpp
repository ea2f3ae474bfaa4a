// IGainlet, IWMPPluginEnable and ISpecifyPropertyPages: process-wide gain,
// meter and format, the enable switch, and the settings page's CLSID.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "base/shared_gain_state.h"
#include "common/unique_handle.h"
#include "dsp_test_support.h"

namespace gainlet::test {
namespace {

class Control : public UnityGainTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(UnityGainTest::SetUp());
        float peak;
        BOOL processed;
        ASSERT_EQ(gainlet->GetPeak(&peak, &processed, TRUE), S_OK);
    }

    // Runs one buffer of 16-bit mono samples through the object.
    std::vector<INT16> Process(std::vector<INT16> samples) {
        Negotiate(dsp.Get(), Pcm(16, 1));
        const DWORD bytes = static_cast<DWORD>(samples.size() * 2);
        TestBuffer in(bytes, bytes);
        std::memcpy(in.memory.data(), samples.data(), bytes);
        TestBuffer out(bytes);
        EXPECT_EQ(dsp->ProcessInput(0, &in, 0, 0, 0), S_OK);
        DMO_OUTPUT_DATA_BUFFER element{&out, 0, 0, 0};
        DWORD status = 0;
        EXPECT_EQ(dsp->ProcessOutput(0, 1, &element, &status), S_OK);
        std::vector<INT16> result(out.length / 2);
        std::memcpy(result.data(), out.memory.data(), out.length);
        return result;
    }
};

TEST_F(Control, GainIsProcessWideAndTakenAsGiven) {
    ASSERT_EQ(gainlet->SetGain(6.0f), S_OK);
    float gain = 0;
    ASSERT_EQ(gainlet->GetGain(&gain), S_OK);
    EXPECT_EQ(gain, 6.0f);
    EXPECT_NEAR(g_sharedGainState.LinearGain(), 2.0, 1e-12);

    auto other = CreateDsp();
    ComPtr<IGainlet> otherGainlet;
    ASSERT_EQ(other.As(&otherGainlet), S_OK);
    ASSERT_EQ(otherGainlet->SetGain(-6.0f), S_OK);
    ASSERT_EQ(gainlet->GetGain(&gain), S_OK);
    EXPECT_EQ(gain, -6.0f);

    ASSERT_EQ(gainlet->SetGain(200.0f), S_OK) << "no range check";
    EXPECT_EQ(Process({1000, -1000, 0}), (std::vector<INT16>{32767, -32768, 0}));
    EXPECT_EQ(gainlet->GetGain(nullptr), E_POINTER);

    // To the bit: a signalling NaN comes back as it was set, not quieted.
    const DWORD signallingNan = 0xFFAE1334;
    float sent;
    std::memcpy(&sent, &signallingNan, sizeof sent);
    ASSERT_EQ(gainlet->SetGain(sent), S_OK);
    DWORD returned = 0;
    ASSERT_EQ(gainlet->GetGain(reinterpret_cast<float*>(&returned)), S_OK);
    EXPECT_EQ(returned, signallingNan) << std::hex << returned;
}

TEST_F(Control, PeakReadsReportAndResetTheSharedMeter) {
    Process({16384, -8192});
    float peak = -1;
    BOOL processed = 5;
    ASSERT_EQ(gainlet->GetPeak(&peak, &processed, FALSE), S_OK);
    EXPECT_EQ(peak, 0.5f);
    EXPECT_EQ(processed, TRUE);
    ASSERT_EQ(gainlet->GetPeak(&peak, &processed, FALSE), S_OK);
    EXPECT_EQ(peak, 0.5f) << "kept without reset";
    EXPECT_EQ(processed, FALSE);

    // Any object reads the one meter.
    auto other = CreateDsp();
    ComPtr<IGainlet> otherGainlet;
    ASSERT_EQ(other.As(&otherGainlet), S_OK);
    Process({8192});
    ASSERT_EQ(otherGainlet->GetPeak(&peak, &processed, TRUE), S_OK);
    EXPECT_EQ(peak, 0.5f);
    EXPECT_EQ(processed, TRUE);
    ASSERT_EQ(gainlet->GetPeak(&peak, &processed, FALSE), S_OK);
    EXPECT_EQ(peak, 0.0f);

    BOOL flag;
    EXPECT_EQ(gainlet->GetPeak(nullptr, &flag, TRUE), E_POINTER);
    EXPECT_EQ(gainlet->GetPeak(&peak, nullptr, TRUE), E_POINTER);
}

TEST_F(Control, EnableSwitchOnlyChangesProcessing) {
    BOOL enabled = 0;
    ASSERT_EQ(enable->GetEnable(&enabled), S_OK);
    EXPECT_EQ(enabled, TRUE) << "starts enabled";
    EXPECT_EQ(enable->GetEnable(nullptr), E_POINTER);

    ASSERT_EQ(gainlet->SetGain(6.0f), S_OK);
    ASSERT_EQ(enable->SetEnable(2), S_OK);
    ASSERT_EQ(enable->GetEnable(&enabled), S_OK);
    EXPECT_EQ(enabled, 2);
    EXPECT_EQ(Process({1000}), (std::vector<INT16>{2000})) << "any non-zero value enables";

    float peak;
    BOOL processed;
    ASSERT_EQ(gainlet->GetPeak(&peak, &processed, TRUE), S_OK);
    ASSERT_EQ(enable->SetEnable(FALSE), S_OK);
    EXPECT_EQ(Process({1000, 7}), (std::vector<INT16>{1000, 7}));
    ASSERT_EQ(gainlet->GetPeak(&peak, &processed, TRUE), S_OK);
    EXPECT_EQ(processed, FALSE) << "a disabled object does not feed the meter";
    EXPECT_EQ(peak, 0.0f);
}

TEST_F(Control, FormatInfoFillsOnlyTheFieldsAskedFor) {
    MediaType type(Pcm(16, 2, 32000));
    ASSERT_EQ(dsp->SetInputType(0, type.get(), 0), S_OK);
    DWORD rate = 0, channels = 77, bits = 77;
    BOOL isFloat = 77;
    ASSERT_EQ(gainlet->GetFormatInfo(&rate, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(rate, 32000u);
    ASSERT_EQ(gainlet->GetFormatInfo(nullptr, &channels, nullptr, &isFloat), S_OK);
    EXPECT_EQ(channels, 2u);
    EXPECT_EQ(isFloat, FALSE);
    EXPECT_EQ(bits, 77u);
    EXPECT_EQ(gainlet->GetFormatInfo(nullptr, nullptr, nullptr, nullptr), S_OK);
}

TEST_F(Control, PagesNameTheSettingsPage) {
    ComPtr<ISpecifyPropertyPages> pages;
    ASSERT_EQ(dsp.As(&pages), S_OK);
    CAUUID uuids{};
    ASSERT_EQ(pages->GetPages(&uuids), S_OK);
    const CoTaskMemPtr<GUID> pageIds(uuids.pElems);
    ASSERT_EQ(uuids.cElems, 1u);
    ASSERT_NE(uuids.pElems, nullptr);
    EXPECT_EQ(uuids.pElems[0], CLSID_GainletPropPage);
    EXPECT_EQ(pages->GetPages(nullptr), E_POINTER);
}

}  // namespace
}  // namespace gainlet::test
