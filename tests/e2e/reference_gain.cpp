#include "reference_gain.h"


#include <algorithm>
#include <cmath>
#include <cstring>

namespace e2e {
namespace {

double LinearGain(float gainDb) { return std::pow(10.0, static_cast<double>(gainDb) * (std::log10(2.0) / 6.0)); }

// Nearest multiple of step, halves away from zero, then the 32-bit range.
int64_t RoundToStep(double x, double step) {
    const double magnitude = std::floor(std::fabs(x) / step + 0.5) * step;
    double rounded = x < 0 ? -magnitude : magnitude;
    if (rounded > 2147483647.0) rounded = 2147483647.0;
    if (rounded < -2147483648.0) rounded = -2147483648.0;
    return static_cast<int64_t>(rounded);
}

uint32_t MagnitudeAbove8Bits(int32_t value) {
    const int32_t cleared = static_cast<int32_t>(static_cast<uint32_t>(value) & 0xFFFFFF00u);
    return cleared < 0 ? static_cast<uint32_t>(-static_cast<int64_t>(cleared)) : static_cast<uint32_t>(cleared);
}

struct Layout {
    int bits;
    bool isFloat;
    int validBits;
};

Layout LayoutOf(const std::vector<BYTE>& format) {
    WAVEFORMATEX wave;
    memcpy(&wave, format.data(), sizeof(wave));
    Layout layout{wave.wBitsPerSample, wave.wFormatTag == WAVE_FORMAT_IEEE_FLOAT, wave.wBitsPerSample};
    if (wave.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
        WAVEFORMATEXTENSIBLE extensible;
        memcpy(&extensible, format.data(), sizeof(extensible));
        layout.isFloat = layout.bits == 32 && IsEqualGUID(extensible.SubFormat, MEDIASUBTYPE_IEEE_FLOAT);
        layout.validBits = extensible.Samples.wValidBitsPerSample;
    }
    return layout;
}

// One run: whole frames of source into output; returns the run's peak.
float ProcessRun(const Layout& layout, const WAVEFORMATEX& wave, const BYTE* source, size_t bytes, double gain,
                 std::vector<BYTE>* output) {
    const size_t samples = bytes / wave.nBlockAlign * wave.nChannels;
    const size_t width = layout.bits / 8;
    const uint32_t mask = layout.validBits >= 32 ? 0xFFFFFFFFu : ~((1u << (32 - layout.validBits)) - 1);
    const double step = std::ldexp(1.0, 32 - layout.validBits);
    uint32_t largest = 0;
    float largestFloat = 0;
    for (size_t i = 0; i < samples; ++i) {
        const BYTE* in = source + i * width;
        BYTE out[4];
        if (layout.bits == 8) {
            int v = static_cast<int>(std::trunc((in[0] - 128) * gain));
            v = v > 127 ? 127 : v < -128 ? -128 : v;
            out[0] = static_cast<BYTE>(v + 128);
            largest = std::max<uint32_t>(largest, std::abs(v));
        } else if (layout.bits == 16) {
            const int16_t s = static_cast<int16_t>(in[0] | (in[1] << 8));
            const double x = s * gain;
            int64_t v = static_cast<int64_t>(std::trunc(x + (s >= 0 ? 0.5 : -0.5)));
            v = v > 32767 ? 32767 : v < -32768 ? -32768 : v;
            out[0] = static_cast<BYTE>(v);
            out[1] = static_cast<BYTE>(v >> 8);
            largest = std::max<uint32_t>(largest, static_cast<uint32_t>(v < 0 ? -v : v));
        } else if (layout.isFloat) {
            float f;
            memcpy(&f, in, 4);
            const float o = static_cast<float>(static_cast<double>(f) * gain);
            memcpy(out, &o, 4);
            largestFloat = std::max(largestFloat, std::fabs(o));
        } else {
            uint32_t raw = layout.bits == 24 ? (in[0] << 8) | (in[1] << 16) | (static_cast<uint32_t>(in[2]) << 24)
                                             : in[0] | (in[1] << 8) | (in[2] << 16) | (static_cast<uint32_t>(in[3]) << 24);
            const int32_t g = static_cast<int32_t>(raw & mask);
            const int32_t r = static_cast<int32_t>(static_cast<uint32_t>(RoundToStep(g * gain, step)) & mask);
            const uint32_t u = static_cast<uint32_t>(r);
            if (layout.bits == 24) {
                out[0] = static_cast<BYTE>(u >> 8), out[1] = static_cast<BYTE>(u >> 16), out[2] = static_cast<BYTE>(u >> 24);
            } else {
                out[0] = static_cast<BYTE>(u), out[1] = static_cast<BYTE>(u >> 8), out[2] = static_cast<BYTE>(u >> 16),
                out[3] = static_cast<BYTE>(u >> 24);
            }
            largest = std::max(largest, MagnitudeAbove8Bits(r));
        }
        output->insert(output->end(), out, out + width);
    }
    if (layout.isFloat) return largestFloat;
    const int shift = layout.bits == 8 ? 7 : layout.bits == 16 ? 15 : 31;
    return static_cast<float>(std::ldexp(static_cast<double>(largest), -shift));
}

}  // namespace

ReferenceResult ReferencePlay(const std::vector<BYTE>& format, const std::vector<BYTE>& data, float gainDb,
                              size_t chunkBytes, bool enabled) {
    ReferenceResult result;
    if (!enabled) {
        result.output = data;
        return result;
    }
    WAVEFORMATEX wave;
    memcpy(&wave, format.data(), sizeof(wave));
    const Layout layout = LayoutOf(format);
    const double gain = LinearGain(gainDb);
    for (size_t offset = 0; offset < data.size(); offset += chunkBytes) {
        const size_t bytes = std::min(chunkBytes, data.size() - offset);
        result.peak = std::max(result.peak, ProcessRun(layout, wave, data.data() + offset, bytes, gain, &result.output));
    }
    return result;
}

}  // namespace e2e
