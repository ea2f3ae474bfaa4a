// Times ProcessSamples on a few-MB buffer for every sample layout, enabled
// and disabled, and memcpy of the same bytes in the same run; prints
// nanoseconds per sample and the ratio to memcpy.
#include <windows.h>
#include <mmreg.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <vector>

#include "base/shared_gain_state.h"
#include "base/wave_subformats.h"
#include "engine/process_samples.h"

namespace {

using gainlet::ProcessSamples;

// Divisible by every frame size used below (up to 2 x 4 bytes, and 2 x 3).
constexpr size_t kBytes = 3u << 20;
constexpr int kRepeats = 25;

struct Layout {
    const char* name;
    WORD tag;
    WORD bits;
    WORD validBits;
    const GUID* subFormat;
};

const Layout kLayouts[] = {
    {"8-bit", WAVE_FORMAT_PCM, 8, 8, nullptr},
    {"16-bit", WAVE_FORMAT_PCM, 16, 16, nullptr},
    {"24-bit (24 valid)", WAVE_FORMAT_EXTENSIBLE, 24, 24, &gainlet::kSubFormatPcm},
    {"24-bit (20 valid)", WAVE_FORMAT_EXTENSIBLE, 24, 20, &gainlet::kSubFormatPcm},
    {"24-bit (16 valid)", WAVE_FORMAT_EXTENSIBLE, 24, 16, &gainlet::kSubFormatPcm},
    {"32-bit int (32 valid)", WAVE_FORMAT_EXTENSIBLE, 32, 32, &gainlet::kSubFormatPcm},
    {"32-bit int (24 valid)", WAVE_FORMAT_EXTENSIBLE, 32, 24, &gainlet::kSubFormatPcm},
    {"32-bit int (20 valid)", WAVE_FORMAT_EXTENSIBLE, 32, 20, &gainlet::kSubFormatPcm},
    {"32-bit int (16 valid)", WAVE_FORMAT_EXTENSIBLE, 32, 16, &gainlet::kSubFormatPcm},
    {"32-bit float (tag 3)", WAVE_FORMAT_IEEE_FLOAT, 32, 32, nullptr},
    {"32-bit float (extensible)", WAVE_FORMAT_EXTENSIBLE, 32, 32, &gainlet::kSubFormatFloat},
};

WAVEFORMATEXTENSIBLE MakeFormat(const Layout& layout) {
    WAVEFORMATEXTENSIBLE f{};
    f.Format.wFormatTag = layout.tag;
    f.Format.nChannels = 2;
    f.Format.nSamplesPerSec = 48000;
    f.Format.wBitsPerSample = layout.bits;
    f.Format.nBlockAlign = static_cast<WORD>(2 * layout.bits / 8);
    f.Format.nAvgBytesPerSec = f.Format.nSamplesPerSec * f.Format.nBlockAlign;
    if (layout.tag == WAVE_FORMAT_EXTENSIBLE) {
        f.Format.cbSize = 22;
        f.Samples.wValidBitsPerSample = layout.validBits;
        f.SubFormat = *layout.subFormat;
    }
    return f;
}

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return double(t.QuadPart) / double(frequency.QuadPart);
}

// Best of several rounds, each timing every candidate once in turn, so that
// a disturbance from the rest of the machine hits them alike.
template <size_t N>
void BestOfRounds(std::function<void()> (&work)[N], double (&best)[N]) {
    for (double& b : best) b = 1e30;
    for (int round = 0; round < kRepeats; ++round) {
        for (size_t i = 0; i < N; ++i) {
            const double start = Now();
            work[i]();
            best[i] = std::min(best[i], Now() - start);
        }
    }
}

// Audio-like input: full-scale noise for integers, +-1.0 noise for floats.
void FillInput(const Layout& layout, std::vector<uint8_t>* buffer) {
    std::mt19937 rng(12345);
    if (layout.tag == WAVE_FORMAT_IEEE_FLOAT || layout.subFormat == &gainlet::kSubFormatFloat) {
        std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
        for (size_t i = 0; i + 4 <= buffer->size(); i += 4) {
            const float f = unit(rng);
            std::memcpy(buffer->data() + i, &f, 4);
        }
        return;
    }
    for (auto& b : *buffer) b = static_cast<uint8_t>(rng());
}

}  // namespace

int main() {
    std::vector<uint8_t> source(kBytes), destination(kBytes);
    gainlet::g_sharedGainState.SetGain(gainlet::kDefaultGainDb);

    std::printf("Gainlet sample loop, %u bytes per run, stereo, gain %.3f dB, best of %d\n", unsigned(kBytes),
                gainlet::kDefaultGainDb, kRepeats);
    std::printf("%-27s %12s %9s %12s %9s\n", "layout", "enabled", "x memcpy", "disabled", "x memcpy");
    std::printf("%-27s %12s %9s %12s %9s\n", "", "ns/sample", "", "ns/sample", "");

    uint32_t checksum = 0;
    double worstEnabled = 0, worstDisabled = 0;
    for (const Layout& layout : kLayouts) {
        const WAVEFORMATEXTENSIBLE block = MakeFormat(layout);
        gainlet::SampleFormat format{};
        if (!gainlet::DecodeSampleFormat(reinterpret_cast<const BYTE*>(&block), sizeof block, &format)) {
            std::printf("%s: format refused\n", layout.name);
            return 1;
        }
        FillInput(layout, &source);
        const double samples = double(kBytes) / (layout.bits / 8);

        auto process = [&](BOOL enabled) {
            DWORD count = static_cast<DWORD>(kBytes);
            ProcessSamples(enabled, format, destination.data(), source.data(), &count);
            checksum += count + destination[count / 2];
        };
        // The copy is timed as several candidates: its best time is the most
        // easily spoilt by the rest of the machine, and the yardstick should
        // be the machine's real copy speed.
        auto copy = [&] { std::memcpy(destination.data(), source.data(), kBytes); };
        std::function<void()> work[] = {
            copy, copy, copy, copy, [&] { process(TRUE); }, [&] { process(FALSE); },
        };
        double best[6];
        BestOfRounds(work, best);
        const double copied = *std::min_element(best, best + 4);
        const double enabled = best[4], disabled = best[5];
        worstEnabled = std::max(worstEnabled, enabled / copied);
        worstDisabled = std::max(worstDisabled, disabled / copied);
        std::printf("%-27s %12.3f %9.1f %12.3f %9.2f\n", layout.name, enabled * 1e9 / samples, enabled / copied,
                    disabled * 1e9 / samples, disabled / copied);
    }
    std::printf("memcpy yardstick: timed in turn with each layout on the same %u bytes\n", unsigned(kBytes));
    std::printf("worst ratio: enabled %.1fx, disabled %.2fx (checksum %08x)\n", worstEnabled, worstDisabled, checksum);
    return 0;
}
