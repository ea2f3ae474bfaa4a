// The shared record: loading the persisted gain from the real registry of the
// test prefix, gain changes, the meter's read-and-reset protocol, the
// published format, and the lock-free gain read against a concurrent reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <set>
#include <vector>

#include "base/shared_gain_state.h"
#include "common/unique_handle.h"
#include "engine/process_samples.h"
#include "engine_test_support.h"
#include "joining_thread.h"
#include "registry_probe.h"
#include "sample_reference.h"
#include "stored_gain.h"

namespace gainlet {
namespace {

using namespace testing_support;

// 2^(dB/6), computed without log10 or pow.
double FactorOf(double db) { return std::exp2(db / 6.0); }

// A record built in memory that is not zero, as the module builds its own:
// nothing may rely on zeroed storage.
class FreshRecord {
public:
    FreshRecord() {
        std::memset(storage_, 0xCD, sizeof storage_);
        record_ = new (storage_) SharedGainState;
    }
    ~FreshRecord() { record_->~SharedGainState(); }
    SharedGainState* operator->() { return record_; }

private:
    alignas(SharedGainState) unsigned char storage_[sizeof(SharedGainState)];
    SharedGainState* record_;
};

// Leaves HKCU\Software\Gainlet\DSP Plugin as it found it: the value restored
// or removed, keys it had to create deleted again.
class PersistedGainTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_TRUE(stored_.Restore()) << "the stored gain was not put back"; }

    static RegistryKey OpenForWriting() {
        RegistryKey key;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, 0,
                                                 KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr));
        return key;
    }

    static void Store(DWORD type, const void* data, DWORD size) {
        const RegistryKey key = OpenForWriting();
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(key.get(), kGainValueName, 0, type, static_cast<const BYTE*>(data), size));
    }

    static void StoreGain(float db) { Store(REG_DWORD, &db, sizeof(db)); }

    static void RemoveKey() {
        RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKeyPath);
        ASSERT_FALSE(test::KeyExists(HKEY_CURRENT_USER, kSettingsKeyPath));
    }

    // A fresh record, loaded the way the module loads its own.
    struct Loaded {
        float gainDb;
        double linearGain;
    };
    static Loaded Load() {
        FreshRecord record;
        Loaded loaded = {0.0f, record->LinearGain()};
        record->ReadGainDb(&loaded.gainDb);
        return loaded;
    }

    static bool SameBits(float a, float b) { return std::memcmp(&a, &b, sizeof(a)) == 0; }

private:
    test::StoredGainGuard stored_;
};

TEST_F(PersistedGainTest, MissingKeyOrValueGivesTheDefault) {
    RemoveKey();
    Loaded loaded = Load();
    EXPECT_EQ(kDefaultGainDb, loaded.gainDb);
    EXPECT_NEAR(0.9849802260127861, loaded.linearGain, 1e-15);
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, kSettingsKeyPath)) << "loading must not create the key";

    OpenForWriting();  // the key without the value
    loaded = Load();
    EXPECT_EQ(kDefaultGainDb, loaded.gainDb);
}

TEST_F(PersistedGainTest, StoredGainsBecomeTheFactor) {
    StoreGain(0.0f);
    Loaded loaded = Load();
    EXPECT_EQ(0.0f, loaded.gainDb);
    EXPECT_EQ(1.0, loaded.linearGain);

    for (float db : {24.0f, -6.0f, 6.0f, -100.0f, 3.5f}) {
        SCOPED_TRACE(db);
        StoreGain(db);
        loaded = Load();
        EXPECT_EQ(db, loaded.gainDb);
        EXPECT_NEAR(FactorOf(db), loaded.linearGain, FactorOf(db) * 1e-14);
    }
}

TEST_F(PersistedGainTest, OnlyTheSizeOfTheValueCountsNotItsType) {
    const float db = -6.0f;
    Store(REG_BINARY, &db, 4);
    EXPECT_EQ(-6.0f, Load().gainDb);

    const double eightBytes = -6.0;
    Store(REG_BINARY, &eightBytes, 8);
    EXPECT_EQ(kDefaultGainDb, Load().gainDb);
    Store(REG_QWORD, &eightBytes, 8);
    EXPECT_EQ(kDefaultGainDb, Load().gainDb);

    // Two bytes would leave half of the float unwritten: treated as absent.
    const BYTE twoBytes[2] = {0xC0, 0x40};
    Store(REG_BINARY, twoBytes, 2);
    EXPECT_EQ(kDefaultGainDb, Load().gainDb);
}

TEST_F(PersistedGainTest, NonFiniteValuesAreKeptAsStored) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    StoreGain(nan);
    Loaded loaded = Load();
    EXPECT_TRUE(SameBits(nan, loaded.gainDb));
    EXPECT_TRUE(std::isnan(loaded.linearGain));

    StoreGain(std::numeric_limits<float>::infinity());
    loaded = Load();
    EXPECT_EQ(std::numeric_limits<float>::infinity(), loaded.gainDb);
    EXPECT_EQ(std::numeric_limits<double>::infinity(), loaded.linearGain);
}

TEST(SharedGainStateTest, FreshRecordHasEmptyMeterAndFormat) {
    FreshRecord record;
    float peak = -1.0f;
    BOOL processed = -1;
    record->ReadMeter(FALSE, &peak, &processed);
    EXPECT_EQ(0.0f, peak);
    EXPECT_EQ(FALSE, processed);
    DWORD rate = 1, channels = 1, bits = 1;
    BOOL isFloat = 1;
    record->ReadFormat(&rate, &channels, &bits, &isFloat);
    EXPECT_EQ(0u, rate);
    EXPECT_EQ(0u, channels);
    EXPECT_EQ(0u, bits);
    EXPECT_EQ(FALSE, isFloat);
    EXPECT_NEAR(6.0 / std::log10(2.0), record->exponentToDb, 1e-12);
    EXPECT_NEAR(std::log10(2.0) / 6.0, record->dbToExponent, 1e-17);
}

TEST(SharedGainStateTest, SetGainChangesBothForms) {
    FreshRecord record;
    float gainDb = 0.0f;
    record->SetGain(6.0f);
    record->ReadGainDb(&gainDb);
    EXPECT_EQ(6.0f, gainDb);
    EXPECT_NEAR(2.0, record->LinearGain(), 1e-15);
    record->SetGain(-100.0f);  // no range check and no rounding of the dB value
    record->ReadGainDb(&gainDb);
    EXPECT_EQ(-100.0f, gainDb);
    EXPECT_NEAR(FactorOf(-100.0), record->LinearGain(), 1e-19);
    record->SetGain(40.0f);
    EXPECT_NEAR(FactorOf(40.0), record->LinearGain(), 1e-12);
}

TEST(SharedGainStateTest, MeterKeepsTheLargestPeakUntilAResetRead) {
    FreshRecord record;
    float peak;
    BOOL processed;

    record->UpdateMeter(0.5f);
    record->UpdateMeter(0.25f);
    record->ReadMeter(FALSE, &peak, &processed);
    EXPECT_EQ(0.5f, peak);
    EXPECT_EQ(TRUE, processed);

    // Without reset the peak stays, but the flag only tells of new audio.
    record->ReadMeter(FALSE, &peak, &processed);
    EXPECT_EQ(0.5f, peak);
    EXPECT_EQ(FALSE, processed);

    record->UpdateMeter(0.0f);  // an empty run still counts as audio flowing
    record->ReadMeter(TRUE, &peak, &processed);
    EXPECT_EQ(0.5f, peak);
    EXPECT_EQ(TRUE, processed);

    record->ReadMeter(TRUE, &peak, &processed);
    EXPECT_EQ(0.0f, peak);
    EXPECT_EQ(FALSE, processed);

    record->UpdateMeter(1.5f);  // float audio beyond full scale
    record->ReadMeter(TRUE, &peak, &processed);
    EXPECT_EQ(1.5f, peak);
}

TEST(SharedGainStateTest, PublishedFormatReportsValidBitsAndFloat) {
    FreshRecord record;
    struct Case {
        WAVEFORMATEXTENSIBLE format;
        DWORD bits;
        BOOL isFloat;
    } cases[] = {
        {MakeFormat(WAVE_FORMAT_PCM, 2, 16), 16, FALSE},
        {MakeFormat(WAVE_FORMAT_IEEE_FLOAT, 1, 32), 32, TRUE},
        {MakeFormat(WAVE_FORMAT_EXTENSIBLE, 6, 24, 20), 20, FALSE},
        {MakeFormat(WAVE_FORMAT_EXTENSIBLE, 2, 32, 24), 24, FALSE},
        // The valid-bit field of an extensible float is not reported.
        {MakeFormat(WAVE_FORMAT_EXTENSIBLE, 2, 32, 24, MEDIASUBTYPE_IEEE_FLOAT), 32, TRUE},
    };
    for (auto& c : cases) {
        c.format.Format.nSamplesPerSec = 96000 + c.format.Format.nChannels;
        const SampleFormat decoded = Decoded(c.format);
        record->PublishFormat(decoded.samplesPerSec, decoded.channels, decoded.ShownBits(), decoded.isFloat);
        DWORD rate, channels, bits;
        BOOL isFloat;
        record->ReadFormat(&rate, &channels, &bits, &isFloat);
        EXPECT_EQ(c.format.Format.nSamplesPerSec, rate);
        EXPECT_EQ(c.format.Format.nChannels, channels);
        EXPECT_EQ(c.bits, bits);
        EXPECT_EQ(c.isFloat, isFloat);
    }
}

// The streaming thread processes runs while a UI thread keeps changing the
// gain and reading the meter with reset. Every output sample must be the
// result of one of the gains that were set (a torn 8-byte read would give
// another), and no run's peak may vanish before a read reports it.
TEST(SharedGainStateTest, GainChangesAndMeterReadsRaceWithProcessing) {
    float savedGain = 0.0f;
    g_sharedGainState.ReadGainDb(&savedGain);
    const float gainsDb[] = {-0.5f, -3.0f, -6.0f, -10.5f};
    std::vector<double> factors;
    for (float db : gainsDb) {
        g_sharedGainState.SetGain(db);
        factors.push_back(g_sharedGainState.LinearGain());
    }
    g_sharedGainState.ReadMeter(TRUE, nullptr, nullptr);

    // 32-bit samples with every bit in use make two different factors give
    // different outputs.
    const auto format = MakeFormat(WAVE_FORMAT_EXTENSIBLE, 2, 32, 32);
    const SampleFormat decoded = Decoded(format);
    // The runs go on until the reader has overlapped enough of them, however
    // the two threads happen to be scheduled.
    constexpr int kMinRuns = 4000;
    constexpr int kMaxRuns = 200000;
    constexpr int kMinReads = 2000;
    constexpr size_t kSamples = 512;
    std::vector<float> runPeak(kMaxRuns);
    std::atomic<int> completed{0};
    std::atomic<int> readCount{0};
    std::atomic<bool> streamingDone{false};
    std::atomic<bool> badSample{false};

    struct Read {
        float peak;
        int completedBefore;
        int completedAfter;
    };
    std::vector<Read> reads;
    reads.reserve(1 << 20);

    testbed::JoiningThread streaming([&] {
        std::vector<int32_t> in(kSamples), out(kSamples);
        for (int run = 0; run < kMaxRuns; ++run) {
            const int32_t a = 0x1234567 + static_cast<int32_t>((run * 2654435761u) % 0x6000000u);
            for (size_t i = 0; i < kSamples; ++i) in[i] = i % 2 ? -a : a;
            DWORD count = kSamples * 4;
            ProcessSamples(TRUE, decoded, reinterpret_cast<BYTE*>(out.data()), reinterpret_cast<const BYTE*>(in.data()),
                           &count);
            std::set<int32_t> allowed;
            for (double g : factors) {
                for (int32_t s : {a, -a}) {
                    allowed.insert(
                        static_cast<int32_t>(reference::Quantise(double(s) * g, true, INT32_MIN, INT32_MAX)));
                }
            }
            uint32_t largest = 0;
            for (int32_t v : out) {
                if (!allowed.count(v)) badSample = true;
                const int64_t cleared = static_cast<int32_t>(static_cast<uint32_t>(v) & 0xFFFFFF00u);
                largest = std::max<uint32_t>(largest, static_cast<uint32_t>(std::llabs(cleared)));
            }
            runPeak[run] = static_cast<float>(std::ldexp(double(largest), -31));
            completed.store(run + 1);
            if (run + 1 >= kMinRuns && readCount.load() >= kMinReads) break;
        }
        streamingDone = true;
    });

    size_t next = 0;
    while (!streamingDone.load()) {
        g_sharedGainState.SetGain(gainsDb[next++ % 4]);
        Read r;
        r.completedBefore = completed.load();
        g_sharedGainState.ReadMeter(TRUE, &r.peak, nullptr);
        r.completedAfter = completed.load();
        reads.push_back(r);
        ++readCount;
    }
    streaming.join();
    const int runs = completed.load();
    Read last;
    last.completedBefore = last.completedAfter = runs;
    g_sharedGainState.ReadMeter(TRUE, &last.peak, nullptr);
    reads.push_back(last);
    g_sharedGainState.SetGain(savedGain);

    EXPECT_FALSE(badSample) << "an output sample matched none of the gains set";
    ASSERT_GE(reads.size(), size_t(kMinReads)) << "the reader never overlapped the runs";

    // Run i updates the meter after completed reached i and before it
    // reaches i + 1. The first read to report it comes after that update and
    // no later than the first read that started once run i had completed.
    for (int run = 0; run < runs; ++run) {
        float seen = 0.0f;
        auto r = std::lower_bound(reads.begin(), reads.end(), run,
                                  [](const Read& read, int n) { return read.completedAfter < n; });
        for (; r != reads.end(); ++r) {
            seen = std::max(seen, r->peak);
            if (r->completedBefore >= run + 1) break;
        }
        ASSERT_GE(seen, runPeak[run]) << "the peak of run " << run << " was lost";
    }
    // And no read reports more than the runs since the read before it.
    for (size_t j = 0; j < reads.size(); ++j) {
        const int first = j ? reads[j - 1].completedBefore : 0;
        float largest = 0.0f;
        for (int run = first; run < std::min(reads[j].completedAfter + 1, runs); ++run) {
            largest = std::max(largest, runPeak[run]);
        }
        ASSERT_LE(reads[j].peak, largest) << "read " << j;
    }
}

}  // namespace
}  // namespace gainlet
