// Sample processing against the independent reference model: every 8- and
// 16-bit value, random 24- and 32-bit runs for each valid-bit count, floats,
// frame and count handling, the meter feed, and gains no settings page writes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "base/shared_gain_state.h"
#include "engine/process_samples.h"
#include "engine_test_support.h"
#include "sample_reference.h"

namespace gainlet {

// Sets a factor directly, for ties no dB value reaches.
struct SharedGainStateTestAccess {
    static void SetLinearGain(double factor) { g_sharedGainState.linearGain.store(factor); }
};

namespace {

using namespace testing_support;

struct Gain {
    std::string name;
    float db;      // used when exact == 0
    double exact;  // a factor set directly, for ties no dB value reaches
};

// The gains of the settings page's range and far beyond it, plus exact
// factors that put products on rounding ties (0.5, 1.5) or just below one
// (the largest double below 0.5).
const Gain kGains[] = {
    {"0 dB", 0.0f, 0},      {"default", kDefaultGainDb, 0},
    {"+6 dB", 6.0f, 0},     {"-6 dB", -6.0f, 0},
    {"+24 dB", 24.0f, 0},   {"-100 dB", -100.0f, 0},
    {"+200 dB", 200.0f, 0}, {"x0.5", 0, 0.5},
    {"x1.5", 0, 1.5},       {"x0.49999999999999994", 0, 0.49999999999999994},
};

void ApplyGain(const Gain& gain) {
    if (gain.exact != 0) {
        SharedGainStateTestAccess::SetLinearGain(gain.exact);
    } else {
        g_sharedGainState.SetGain(gain.db);
    }
}

struct Outcome {
    DWORD count;
    std::vector<uint8_t> out;  // the destination, including bytes past the count
    float peak;
    BOOL processed;
};

constexpr uint8_t kUntouched = 0xA5;

// One call on a fresh meter; the destination has room past the count so that
// stray writes show.
Outcome RunCount(const SampleFormat& format, const std::vector<uint8_t>& in, DWORD count, BOOL enabled = TRUE) {
    g_sharedGainState.ReadMeter(TRUE, nullptr, nullptr);
    Outcome o;
    o.out.assign(in.size() + 16, kUntouched);
    o.count = count;
    ProcessSamples(enabled, format, o.out.data(), in.data(), &o.count);
    g_sharedGainState.ReadMeter(TRUE, &o.peak, &o.processed);
    return o;
}

Outcome RunCount(const WAVEFORMATEXTENSIBLE& format, const std::vector<uint8_t>& in, DWORD count) {
    return RunCount(Decoded(format), in, count);
}

Outcome RunAll(const WAVEFORMATEXTENSIBLE& format, const std::vector<uint8_t>& in) {
    return RunCount(format, in, static_cast<DWORD>(in.size()));
}

std::vector<uint8_t> Written(const Outcome& o) { return std::vector<uint8_t>(o.out.begin(), o.out.begin() + o.count); }

void ExpectMatches(const Outcome& o, const reference::Result& expected) {
    ASSERT_EQ(expected.bytes.size(), o.count);
    const std::vector<uint8_t> got = Written(o);
    size_t mismatches = 0;
    for (size_t i = 0; i < got.size() && mismatches < 5; ++i) {
        if (got[i] != expected.bytes[i]) {
            ++mismatches;
            ADD_FAILURE() << "byte " << i << ": got " << int(got[i]) << ", expected " << int(expected.bytes[i]);
        }
    }
    EXPECT_EQ(expected.runPeak, o.peak);
    EXPECT_TRUE(o.processed);
}

std::vector<uint8_t> Every8BitValue() {
    std::vector<uint8_t> v(256);
    for (int i = 0; i < 256; ++i) v[i] = static_cast<uint8_t>(i);
    return v;
}

std::vector<int16_t> Every16BitValue() {
    std::vector<int16_t> v(65536);
    for (int i = 0; i < 65536; ++i) v[i] = static_cast<int16_t>(i - 32768);
    return v;
}

// Random left-justified samples plus the values where rounding and
// saturation turn: the extremes, zero, one step either side, and halves of a
// step around zero and full scale.
std::vector<int32_t> Samples32(std::mt19937& rng, size_t randomCount) {
    std::vector<int32_t> v = {0,          1,           -1,         127,         128,        255,
                              256,        -256,        -257,       0x7FFFFFFF,  INT32_MIN,  INT32_MIN + 1,
                              0x7FFFFF00, -0x7FFFFF00, 0x40000000, -0x40000000, 0x00000800, -0x00000800,
                              0x00008000, -0x00008000, 0x00010000, -0x00010000};
    std::uniform_int_distribution<uint32_t> any;
    std::uniform_int_distribution<int> smallMagnitude(-70000, 70000);
    for (size_t i = 0; i < randomCount; ++i) {
        // Half full-range, half small: small values meet the fine ties.
        v.push_back(i % 2 ? static_cast<int32_t>(any(rng)) : smallMagnitude(rng) * 4096);
    }
    return v;
}

std::vector<uint8_t> Pack24(const std::vector<int32_t>& leftJustified) {
    std::vector<uint8_t> packed;
    for (int32_t s : leftJustified) {
        const uint32_t u = static_cast<uint32_t>(s);
        packed.push_back(static_cast<uint8_t>(u >> 8));
        packed.push_back(static_cast<uint8_t>(u >> 16));
        packed.push_back(static_cast<uint8_t>(u >> 24));
    }
    return packed;
}

std::vector<float> FloatSamples(std::mt19937& rng, size_t randomCount) {
    std::vector<float> v = {0.0f,
                            -0.0f,
                            1.0f,
                            -1.0f,
                            0.75f,
                            -0.75f,
                            1e-40f,
                            -1e-40f,
                            3.0e38f,
                            -3.0e38f,
                            std::numeric_limits<float>::infinity(),
                            -std::numeric_limits<float>::infinity()};
    std::uniform_real_distribution<float> unit(-2.0f, 2.0f);
    std::uniform_int_distribution<uint32_t> bits;
    for (size_t i = 0; i < randomCount; ++i) {
        if (i % 4 == 0) {
            // Any finite bit pattern, denormals included.
            uint32_t pattern = bits(rng);
            if ((pattern & 0x7F800000u) == 0x7F800000u) pattern &= 0xBFFFFFFFu;
            float f;
            std::memcpy(&f, &pattern, 4);
            v.push_back(f);
        } else {
            v.push_back(unit(rng));
        }
    }
    return v;
}

template <typename T>
std::vector<T> Repeat(const std::vector<T>& pattern, size_t times) {
    std::vector<T> out;
    for (size_t i = 0; i < times; ++i) out.insert(out.end(), pattern.begin(), pattern.end());
    return out;
}

// Long enough for the vector loops and the samples left after them.
constexpr size_t kPatternRepeats = 13;

class ProcessSamplesTest : public ::testing::Test {
protected:
    void SetUp() override { g_sharedGainState.ReadGainDb(&savedGain_); }
    void TearDown() override { g_sharedGainState.SetGain(savedGain_); }

private:
    float savedGain_ = 0.0f;
};

TEST_F(ProcessSamplesTest, EveryEightBitValueAtEachGain) {
    const auto mono = MakeFormat(WAVE_FORMAT_PCM, 1, 8);
    const std::vector<uint8_t> in = Every8BitValue();
    for (const Gain& gain : kGains) {
        SCOPED_TRACE(gain.name);
        ApplyGain(gain);
        ExpectMatches(RunAll(mono, in), reference::Process8(in, g_sharedGainState.LinearGain()));
    }
}

TEST_F(ProcessSamplesTest, EverySixteenBitValueAtEachGain) {
    const auto stereo = MakeFormat(WAVE_FORMAT_PCM, 2, 16);
    const std::vector<int16_t> values = Every16BitValue();
    const std::vector<uint8_t> in = ToBytes(values);
    for (const Gain& gain : kGains) {
        SCOPED_TRACE(gain.name);
        ApplyGain(gain);
        ExpectMatches(RunAll(stereo, in), reference::Process16(values, g_sharedGainState.LinearGain()));
    }
}

TEST_F(ProcessSamplesTest, PackedTwentyFourBitForEachValidBitCount) {
    std::mt19937 rng(24);
    const std::vector<int32_t> samples = Samples32(rng, 6000);
    const std::vector<uint8_t> in = Pack24(samples);
    for (WORD valid : test::AcceptedValidBits(24)) {
        const auto format = MakeFormat(WAVE_FORMAT_EXTENSIBLE, 2, 24, valid);
        for (const Gain& gain : kGains) {
            SCOPED_TRACE(gain.name + ", valid bits " + std::to_string(valid));
            ApplyGain(gain);
            ExpectMatches(RunAll(format, in), reference::Process24(in, valid, g_sharedGainState.LinearGain()));
        }
    }
}

TEST_F(ProcessSamplesTest, ThirtyTwoBitIntegerForEachValidBitCount) {
    std::mt19937 rng(32);
    const std::vector<int32_t> samples = Samples32(rng, 6000);
    const std::vector<uint8_t> in = ToBytes(samples);
    for (WORD valid : test::AcceptedValidBits(32)) {
        const auto format = MakeFormat(WAVE_FORMAT_EXTENSIBLE, 2, 32, valid);
        for (const Gain& gain : kGains) {
            SCOPED_TRACE(gain.name + ", valid bits " + std::to_string(valid));
            ApplyGain(gain);
            ExpectMatches(RunAll(format, in), reference::Process32(samples, valid, g_sharedGainState.LinearGain()));
        }
    }
}

// Every integer layout and valid-bit count at the gain set now.
void ExpectEveryIntegerLayoutMatches(const std::vector<int32_t>& samples) {
    const double g = g_sharedGainState.LinearGain();
    const std::vector<int16_t> samples16 = Every16BitValue();
    ExpectMatches(RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 8), Every8BitValue()),
                  reference::Process8(Every8BitValue(), g));
    ExpectMatches(RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 16), ToBytes(samples16)), reference::Process16(samples16, g));
    for (WORD valid : test::AcceptedValidBits(24)) {
        ExpectMatches(RunAll(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 24, valid), Pack24(samples)),
                      reference::Process24(Pack24(samples), valid, g));
    }
    for (WORD valid : test::AcceptedValidBits(32)) {
        ExpectMatches(RunAll(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 32, valid), ToBytes(samples)),
                      reference::Process32(samples, valid, g));
    }
}

TEST_F(ProcessSamplesTest, RandomGainsOnEveryIntegerLayout) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> db(-100.0f, 24.0f);
    const std::vector<int32_t> samples = Samples32(rng, 2000);
    for (int round = 0; round < 12; ++round) {
        const float gainDb = db(rng);
        SCOPED_TRACE(gainDb);
        g_sharedGainState.SetGain(gainDb);
        ExpectEveryIntegerLayoutMatches(samples);
    }
}

TEST_F(ProcessSamplesTest, NonFiniteGainsOnRandomIntegerRuns) {
    std::mt19937 rng(11);
    const std::vector<int32_t> samples = Samples32(rng, 2000);
    for (float gainDb : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity()}) {
        SCOPED_TRACE(gainDb);
        g_sharedGainState.SetGain(gainDb);
        ExpectEveryIntegerLayoutMatches(samples);
    }
}

TEST_F(ProcessSamplesTest, FloatsInBothTagsAtEachGain) {
    std::mt19937 rng(3);
    const std::vector<float> values = FloatSamples(rng, 4000);
    const std::vector<uint8_t> in = ToBytes(values);
    const WAVEFORMATEXTENSIBLE formats[] = {
        MakeFormat(WAVE_FORMAT_IEEE_FLOAT, 2, 32),
        MakeFormat(WAVE_FORMAT_EXTENSIBLE, 2, 32, 32, MEDIASUBTYPE_IEEE_FLOAT),
        // The valid-bit field plays no part for floats.
        MakeFormat(WAVE_FORMAT_EXTENSIBLE, 2, 32, 24, MEDIASUBTYPE_IEEE_FLOAT),
    };
    for (const auto& format : formats) {
        for (const Gain& gain : kGains) {
            SCOPED_TRACE(gain.name);
            ApplyGain(gain);
            ExpectMatches(RunAll(format, in), reference::ProcessFloat(values, g_sharedGainState.LinearGain()));
        }
    }
}

TEST_F(ProcessSamplesTest, UnityGainLeavesEveryLayoutUnchanged) {
    g_sharedGainState.SetGain(0.0f);
    ASSERT_EQ(1.0, g_sharedGainState.LinearGain());
    std::mt19937 rng(1);
    const std::vector<int32_t> samples = Samples32(rng, 4000);

    const std::vector<uint8_t> bytes8 = Every8BitValue();
    EXPECT_EQ(bytes8, Written(RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 8), bytes8)));
    const std::vector<uint8_t> bytes16 = ToBytes(Every16BitValue());
    EXPECT_EQ(bytes16, Written(RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 16), bytes16)));
    const std::vector<uint8_t> bytes24 = Pack24(samples);
    EXPECT_EQ(bytes24, Written(RunAll(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 24, 24), bytes24)));
    const std::vector<uint8_t> bytes32 = ToBytes(samples);
    EXPECT_EQ(bytes32, Written(RunAll(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 32, 32), bytes32)));
    const std::vector<uint8_t> bytesFloat = ToBytes(FloatSamples(rng, 4000));
    EXPECT_EQ(bytesFloat, Written(RunAll(MakeFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 32), bytesFloat)));
}

TEST_F(ProcessSamplesTest, WorkedValuesAtTheDefaultGain) {
    g_sharedGainState.SetGain(kDefaultGainDb);
    EXPECT_NEAR(0.9849802260127861, g_sharedGainState.LinearGain(), 1e-15);

    const std::vector<uint8_t> in8 = {128 + 127, 0, 129, 127};
    EXPECT_EQ((std::vector<uint8_t>{128 + 125, 128 - 126, 128, 128}),
              Written(RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 8), in8)));

    const std::vector<int16_t> in16 = {32767, -32768, 1000, -1000};
    EXPECT_EQ((std::vector<int16_t>{32275, -32276, 985, -985}),
              FromBytes<int16_t>(Written(RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 16), ToBytes(in16)))));

    const std::vector<int32_t> in24 = {8388607 * 256, -8388608 * 256, 1000 * 256, -1000 * 256};
    const Outcome o = RunAll(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 24, 24), Pack24(in24));
    EXPECT_EQ(Pack24({8262612 * 256, -8262613 * 256, 985 * 256, -985 * 256}), Written(o));
    EXPECT_EQ(8262613.0f / 8388608.0f, o.peak);
}

TEST_F(ProcessSamplesTest, PeakOfTheNegativeBoundIsFullScale) {
    g_sharedGainState.SetGain(0.0f);
    EXPECT_EQ(1.0f, RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 8), {0x00}).peak);
    EXPECT_EQ(0.0f, RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 8), {0x80}).peak);
    EXPECT_EQ(1.0f, RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 16), ToBytes<int16_t>({-32768})).peak);
    EXPECT_EQ(32767.0f / 32768.0f, RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 16), ToBytes<int16_t>({32767})).peak);
    const auto int32 = MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 32, 32);
    EXPECT_EQ(1.0f, RunAll(int32, ToBytes<int32_t>({INT32_MIN})).peak);
    // The lowest 8 bits do not count: -1 is 0xFFFFFFFF, cleared to -256.
    EXPECT_EQ(0.0f, RunAll(int32, ToBytes<int32_t>({0xFF})).peak);
    EXPECT_EQ(256.0f / 2147483648.0f, RunAll(int32, ToBytes<int32_t>({-1})).peak);
    EXPECT_EQ(float(0x7FFFFF00) / 2147483648.0f, RunAll(int32, ToBytes<int32_t>({0x7FFFFFFF})).peak);
}

TEST_F(ProcessSamplesTest, HugeGainsSaturateToTheBoundOfTheSamplesSign) {
    g_sharedGainState.SetGain(200.0f);
    EXPECT_EQ((std::vector<uint8_t>{255, 0, 128}), Written(RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 8), {129, 127, 128})));
    EXPECT_EQ((std::vector<int16_t>{32767, -32768, 0}),
              FromBytes<int16_t>(Written(RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 16), ToBytes<int16_t>({1, -1, 0})))));
    EXPECT_EQ(Pack24({0x7FFFF000, INT32_MIN, 0}),
              Written(RunAll(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 24, 20), Pack24({0x1000, -0x1000, 0}))));
    EXPECT_EQ((std::vector<int32_t>{0x7FFFFFFF, INT32_MIN, 0}),
              FromBytes<int32_t>(
                  Written(RunAll(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 32, 32), ToBytes<int32_t>({1, -1, 0})))));
    // A positive full-scale peak stays one step short of 1.0.
    const auto positive = Repeat<int32_t>({0x100000, 0x7FFFFFFF, 0x40000000}, kPatternRepeats);
    EXPECT_EQ(127.0f / 128.0f, RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 8), Repeat<uint8_t>({129, 200}, 9)).peak);
    EXPECT_EQ(32767.0f / 32768.0f,
              RunAll(MakeFormat(WAVE_FORMAT_PCM, 1, 16), ToBytes(Repeat<int16_t>({1, 300}, 9))).peak);
    EXPECT_EQ(float(0x7FFFFF00) / 2147483648.0f,
              RunAll(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 24, 24), Pack24(positive)).peak);
    EXPECT_EQ(float(0x7FFFF000) / 2147483648.0f,
              RunAll(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 32, 20), ToBytes(positive)).peak);
    EXPECT_EQ(float(0x7FFFFF00) / 2147483648.0f,
              RunAll(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 32, 32), ToBytes(positive)).peak);

    // Floats are never clipped.
    g_sharedGainState.SetGain(6.0f);
    const Outcome o = RunAll(MakeFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 32), ToBytes<float>({0.75f, -0.25f}));
    EXPECT_EQ((std::vector<float>{1.5f, -0.5f}), FromBytes<float>(Written(o)));
    EXPECT_EQ(1.5f, o.peak);
}

TEST_F(ProcessSamplesTest, TwentyBitSamplesNeverCarryLowBits) {
    g_sharedGainState.SetGain(kDefaultGainDb);
    std::vector<uint8_t> in(3 * 4096);
    std::mt19937 rng(20);
    for (auto& b : in) b = static_cast<uint8_t>(rng());
    const Outcome o = RunAll(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 2, 24, 20), in);
    for (size_t i = 0; i < o.count; i += 3) ASSERT_EQ(0, o.out[i] & 0x0F) << "sample " << i / 3;
}

// Gains nobody should store but a hand-edited registry value can hold: the
// integer layouts stay defined. NaN silences them; +inf saturates every
// sample to the bound of its sign and keeps silence silent; -inf dB is a
// factor of 0. Floats follow IEEE arithmetic.
TEST_F(ProcessSamplesTest, NonFiniteGainsGiveDefinedResults) {
    const float inf = std::numeric_limits<float>::infinity();
    const auto f8 = MakeFormat(WAVE_FORMAT_PCM, 1, 8);
    const auto f16 = MakeFormat(WAVE_FORMAT_PCM, 1, 16);
    const auto f24 = MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 24, 24);
    const auto f32 = MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 32, 32);
    const auto f32narrow = MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 32, 20);
    const auto ff = MakeFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 32);
    const auto in8 = Repeat<uint8_t>({255, 0, 128, 129, 127}, kPatternRepeats);
    const auto in16 = Repeat<int16_t>({32767, -32768, 0, 1, -1}, kPatternRepeats);
    const auto in32 = Repeat<int32_t>({0x7FFFFFFF, INT32_MIN, 0, 0x100000, -0x100000}, kPatternRepeats);
    const auto inFloat = Repeat<float>({0.5f, -0.5f, 0.0f, 2.0f, -1e-30f}, kPatternRepeats);

    g_sharedGainState.SetGain(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(g_sharedGainState.LinearGain()));
    Outcome o = RunAll(f8, in8);
    EXPECT_EQ(std::vector<uint8_t>(in8.size(), 128), Written(o));
    EXPECT_EQ(0.0f, o.peak);
    o = RunAll(f16, ToBytes(in16));
    EXPECT_EQ(std::vector<int16_t>(in16.size(), 0), FromBytes<int16_t>(Written(o)));
    EXPECT_EQ(0.0f, o.peak);
    EXPECT_EQ(Pack24(std::vector<int32_t>(in32.size(), 0)), Written(RunAll(f24, Pack24(in32))));
    for (const auto& format : {f32, f32narrow}) {
        o = RunAll(format, ToBytes(in32));
        EXPECT_EQ(std::vector<int32_t>(in32.size(), 0), FromBytes<int32_t>(Written(o)));
        EXPECT_EQ(0.0f, o.peak);
    }
    for (float f : FromBytes<float>(Written(RunAll(ff, ToBytes(inFloat))))) ASSERT_TRUE(std::isnan(f));

    g_sharedGainState.SetGain(inf);
    EXPECT_EQ(Repeat<uint8_t>({255, 0, 128, 255, 0}, kPatternRepeats), Written(RunAll(f8, in8)));
    o = RunAll(f16, ToBytes(in16));
    EXPECT_EQ(Repeat<int16_t>({32767, -32768, 0, 32767, -32768}, kPatternRepeats), FromBytes<int16_t>(Written(o)));
    EXPECT_EQ(1.0f, o.peak);
    EXPECT_EQ(Pack24(Repeat<int32_t>({0x7FFFFF00, INT32_MIN, 0, 0x7FFFFF00, INT32_MIN}, kPatternRepeats)),
              Written(RunAll(f24, Pack24(in32))));
    o = RunAll(f32, ToBytes(in32));
    EXPECT_EQ(Repeat<int32_t>({0x7FFFFFFF, INT32_MIN, 0, 0x7FFFFFFF, INT32_MIN}, kPatternRepeats),
              FromBytes<int32_t>(Written(o)));
    EXPECT_EQ(1.0f, o.peak);
    EXPECT_EQ(Repeat<int32_t>({0x7FFFF000, INT32_MIN, 0, 0x7FFFF000, INT32_MIN}, kPatternRepeats),
              FromBytes<int32_t>(Written(RunAll(f32narrow, ToBytes(in32)))));
    const std::vector<float> scaled = FromBytes<float>(Written(RunAll(ff, ToBytes(inFloat))));
    for (size_t i = 0; i < scaled.size(); i += 5) {
        EXPECT_EQ(inf, scaled[i]);
        EXPECT_EQ(-inf, scaled[i + 1]);
        EXPECT_TRUE(std::isnan(scaled[i + 2]));  // 0 * inf
    }
    // A run that is no whole number of vector blocks: the silence that pads
    // its last block would be NaN too, and must not reach the meter.
    EXPECT_EQ(inf, RunAll(ff, ToBytes<float>({0.5f, -2.0f, 1e-30f, 0.25f, -0.5f})).peak);

    g_sharedGainState.SetGain(-inf);
    EXPECT_EQ(0.0, g_sharedGainState.LinearGain());
    EXPECT_EQ(std::vector<uint8_t>(in8.size(), 128), Written(RunAll(f8, in8)));
    EXPECT_EQ(std::vector<int16_t>(in16.size(), 0), FromBytes<int16_t>(Written(RunAll(f16, ToBytes(in16)))));
    EXPECT_EQ(std::vector<int32_t>(in32.size(), 0), FromBytes<int32_t>(Written(RunAll(f32, ToBytes(in32)))));
}

// Every run length around the vector widths, from buffers at odd addresses:
// the samples left over after the vector loops must match too, and nothing
// may be written past the count.
TEST_F(ProcessSamplesTest, EveryShortRunLengthAndAlignment) {
    g_sharedGainState.SetGain(kDefaultGainDb);
    const double g = g_sharedGainState.LinearGain();
    std::mt19937 rng(41);
    std::uniform_int_distribution<int> byte(0, 255);
    struct Case {
        WAVEFORMATEXTENSIBLE format;
        unsigned bytesPerSample;
    } cases[] = {
        {MakeFormat(WAVE_FORMAT_PCM, 1, 8), 1},
        {MakeFormat(WAVE_FORMAT_PCM, 1, 16), 2},
        {MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 24, 20), 3},
        {MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 32, 24), 4},
        {MakeFormat(WAVE_FORMAT_EXTENSIBLE, 1, 32, 32), 4},
        {MakeFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 32), 4},
    };
    for (const Case& c : cases) {
        for (size_t n = 0; n <= 40; ++n) {
            for (size_t offset : {0, 1, 3}) {
                SCOPED_TRACE(::testing::Message()
                             << c.format.Format.wBitsPerSample << "-bit, " << n << " samples, offset " << offset);
                const size_t size = n * c.bytesPerSample;
                std::vector<uint8_t> in(size);
                for (auto& b : in) b = static_cast<uint8_t>(byte(rng));
                if (c.bytesPerSample == 4 && c.format.Format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
                    for (size_t i = 3; i < size; i += 4) in[i] &= 0x3F;  // finite floats
                }
                std::vector<uint8_t> source(offset + size), target(offset + size + 16, kUntouched);
                std::copy(in.begin(), in.end(), source.begin() + offset);
                DWORD count = static_cast<DWORD>(size);
                ProcessSamples(TRUE, Decoded(c.format), target.data() + offset, source.data() + offset, &count);
                ASSERT_EQ(size, count);
                reference::Result expected;
                switch (c.format.Format.wBitsPerSample) {
                case 8: expected = reference::Process8(in, g); break;
                case 16: expected = reference::Process16(FromBytes<int16_t>(in), g); break;
                case 24: expected = reference::Process24(in, 20, g); break;
                default:
                    expected =
                        c.format.Format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT
                            ? reference::ProcessFloat(FromBytes<float>(in), g)
                            : reference::Process32(FromBytes<int32_t>(in), c.format.Samples.wValidBitsPerSample, g);
                }
                ASSERT_EQ(expected.bytes,
                          std::vector<uint8_t>(target.begin() + offset, target.begin() + offset + size));
                ASSERT_EQ(std::vector<uint8_t>(16, kUntouched), std::vector<uint8_t>(target.end() - 16, target.end()));
            }
        }
    }
}

TEST_F(ProcessSamplesTest, OnlyWholeFramesAreProcessed) {
    g_sharedGainState.SetGain(-6.0f);
    const std::vector<int16_t> values = {1000, -1000, 2000, -2000, 3000};
    const std::vector<uint8_t> in = ToBytes(values);

    // 10 bytes of 16-bit stereo: two frames, four samples, 8 bytes.
    const Outcome o = RunCount(MakeFormat(WAVE_FORMAT_PCM, 2, 16), in, 10);
    ASSERT_EQ(8u, o.count);
    EXPECT_EQ((std::vector<int16_t>{500, -500, 1000, -1000}), FromBytes<int16_t>(Written(o)));
    EXPECT_EQ(kUntouched, o.out[8]);
    EXPECT_EQ(kUntouched, o.out[9]);
    EXPECT_EQ(1000.0f / 32768.0f, o.peak);

    // 24-bit stereo with one byte short of a third frame.
    const std::vector<uint8_t> packed(17, 0x10);
    const Outcome p = RunCount(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 2, 24, 24), packed, 17);
    EXPECT_EQ(12u, p.count);
    EXPECT_EQ(kUntouched, p.out[12]);
}

TEST_F(ProcessSamplesTest, LessThanOneFrameWritesNothingButCountsAsProcessed) {
    g_sharedGainState.SetGain(0.0f);
    const auto stereo = MakeFormat(WAVE_FORMAT_PCM, 2, 16);
    for (DWORD count : {0u, 1u, 3u}) {
        SCOPED_TRACE(count);
        g_sharedGainState.UpdateMeter(0.25f);  // a peak left from earlier runs
        std::vector<uint8_t> out(8, kUntouched);
        const std::vector<uint8_t> in(8, 0x7F);
        DWORD n = count;
        ProcessSamples(TRUE, Decoded(stereo), out.data(), in.data(), &n);
        EXPECT_EQ(0u, n);
        EXPECT_EQ(std::vector<uint8_t>(8, kUntouched), out);
        float peak;
        BOOL processed;
        g_sharedGainState.ReadMeter(TRUE, &peak, &processed);
        EXPECT_EQ(0.25f, peak);
        EXPECT_TRUE(processed);
    }
}

TEST_F(ProcessSamplesTest, BlockAlignDecidesTheFramesAndSamplesStayPacked) {
    g_sharedGainState.SetGain(0.0f);
    // 16-bit mono in 4-byte blocks: 12 bytes hold 3 frames, read as 3 packed samples.
    auto padded = MakeFormat(WAVE_FORMAT_PCM, 1, 16);
    padded.Format.nBlockAlign = 4;
    const std::vector<uint8_t> in = ToBytes<int16_t>({1, 2, 3, 4, 5, 6});
    const Outcome o = RunCount(padded, in, 12);
    EXPECT_EQ(6u, o.count);
    EXPECT_EQ(ToBytes<int16_t>({1, 2, 3}), Written(o));

    // A block alignment smaller than its samples must not take the run past
    // the count: 10 bytes still hold only two whole stereo frames.
    SampleFormat tooSmall = Decoded(MakeFormat(WAVE_FORMAT_PCM, 2, 16));
    tooSmall.blockAlign = 1;
    const Outcome p = RunCount(tooSmall, in, 10);
    EXPECT_EQ(8u, p.count);
    EXPECT_EQ(kUntouched, p.out[8]);
    EXPECT_EQ(kUntouched, p.out[10]);
}

TEST_F(ProcessSamplesTest, DisabledCopiesEveryByteAndLeavesTheMeterAlone) {
    g_sharedGainState.SetGain(-6.0f);
    std::vector<uint8_t> in(11);
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<uint8_t>(0xF0 + i);
    const SampleFormat formats[] = {
        Decoded(MakeFormat(WAVE_FORMAT_PCM, 2, 16)),
        Decoded(MakeFormat(WAVE_FORMAT_EXTENSIBLE, 2, 24, 20)),
        Decoded(MakeFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 32)),
    };
    for (const auto& format : formats) {
        g_sharedGainState.ReadMeter(TRUE, nullptr, nullptr);
        g_sharedGainState.UpdateMeter(0.5f);
        g_sharedGainState.ReadMeter(FALSE, nullptr, nullptr);  // flag cleared, peak kept
        std::vector<uint8_t> out(16, kUntouched);
        DWORD count = 11;
        ProcessSamples(FALSE, format, out.data(), in.data(), &count);
        EXPECT_EQ(11u, count);
        EXPECT_EQ(in, std::vector<uint8_t>(out.begin(), out.begin() + 11));
        EXPECT_EQ(kUntouched, out[11]);
        float peak;
        BOOL processed;
        g_sharedGainState.ReadMeter(TRUE, &peak, &processed);
        EXPECT_EQ(0.5f, peak);
        EXPECT_FALSE(processed);
    }
}

TEST_F(ProcessSamplesTest, UnsupportedLayoutsAreNotDecoded) {
    const WAVEFORMATEXTENSIBLE formats[] = {
        MakeFormat(WAVE_FORMAT_PCM, 1, 12), MakeFormat(WAVE_FORMAT_PCM, 1, 64),
        MakeFormat(WAVE_FORMAT_PCM, 1, 32),  // 32-bit needs the float tag or the extensible block
    };
    for (const auto& format : formats) {
        SCOPED_TRACE(format.Format.wBitsPerSample);
        SampleFormat decoded{};
        EXPECT_FALSE(DecodeSampleFormat(reinterpret_cast<const BYTE*>(&format), sizeof format, &decoded));
    }
}

TEST_F(ProcessSamplesTest, RunsOfSeveralCallersFeedOneMeter) {
    g_sharedGainState.SetGain(0.0f);
    g_sharedGainState.ReadMeter(TRUE, nullptr, nullptr);
    const auto f16 = MakeFormat(WAVE_FORMAT_PCM, 1, 16);
    const auto ff = MakeFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 32);
    auto process = [](const WAVEFORMATEXTENSIBLE& format, std::vector<uint8_t> in) {
        std::vector<uint8_t> out(in.size());
        DWORD count = static_cast<DWORD>(in.size());
        ProcessSamples(TRUE, Decoded(format), out.data(), in.data(), &count);
    };
    process(f16, ToBytes<int16_t>({16384}));
    process(ff, ToBytes<float>({0.25f}));
    process(f16, ToBytes<int16_t>({-8192}));
    float peak;
    BOOL processed;
    g_sharedGainState.ReadMeter(TRUE, &peak, &processed);
    EXPECT_EQ(0.5f, peak);
    EXPECT_TRUE(processed);
}

}  // namespace
}  // namespace gainlet
