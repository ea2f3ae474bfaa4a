#include "sample_reference.h"

#include <windows.h>
#include <mmreg.h>
#include <uuids.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace gainlet {
namespace reference {
namespace {

template <typename T>
std::vector<T> FromBytes(const uint8_t* bytes, size_t count) {
    std::vector<T> values(count);
    if (count) std::memcpy(values.data(), bytes, count * sizeof(T));
    return values;
}

template <typename T>
void Append(std::vector<uint8_t>* bytes, T value) {
    uint8_t raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    bytes->insert(bytes->end(), raw, raw + sizeof(T));
}

// v / 2^shift, quantised: the same as Quantise but on the exact quotient, so
// that rounding to a multiple of the step needs no division.
int64_t QuantiseScaled(double v, int shift, bool round, int64_t lo, int64_t hi) {
    if (std::isnan(v)) return 0;
    if (std::isinf(v)) return v < 0 ? lo : hi;
    if (v == 0) return 0;
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(v), &exponent);  // |v| = fraction * 2^exponent
    // |v| = mantissa * 2^(exponent - 53) with an exact 53-bit integer mantissa.
    const uint64_t mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
    const int drop = 53 - exponent + shift;  // bits below the unit of the result
    uint64_t magnitude;
    if (drop <= 0) {
        if (-drop > 10) return v < 0 ? lo : hi;  // at least 2^63: beyond any bound
        magnitude = mantissa << -drop;
    } else if (drop > 63) {
        magnitude = 0;  // below 2^-10 of a unit
    } else {
        magnitude = mantissa >> drop;
        const uint64_t remainder = mantissa & ((uint64_t(1) << drop) - 1);
        if (round && remainder >= (uint64_t(1) << (drop - 1))) ++magnitude;
    }
    if (magnitude > uint64_t(1) << 62) return v < 0 ? lo : hi;
    int64_t q = static_cast<int64_t>(magnitude);
    if (v < 0) q = -q;
    return q < lo ? lo : (q > hi ? hi : q);
}

uint32_t LeftJustifiedMagnitude(int32_t result) {
    const int64_t cleared = static_cast<int32_t>(static_cast<uint32_t>(result) & 0xFFFFFF00u);
    return static_cast<uint32_t>(cleared < 0 ? -cleared : cleared);
}

// Far beyond the 32-bit range in any step, and small enough to shift.
constexpr int64_t kUnitsBound = int64_t(1) << 40;

// The left-justified rule: mask the input, scale, round to the step,
// saturate to 32 bits, mask the result.
int32_t LeftJustified(int32_t sample, unsigned validBits, double gain) {
    const int shift = 32 - static_cast<int>(validBits);
    const uint32_t mask = 0xFFFFFFFFu << shift;
    const int32_t g = static_cast<int32_t>(static_cast<uint32_t>(sample) & mask);
    const int64_t units = QuantiseScaled(double(g) * gain, shift, true, -kUnitsBound, kUnitsBound);
    int64_t value = units * (int64_t(1) << shift);
    if (value > INT32_MAX) value = INT32_MAX;
    if (value < INT32_MIN) value = INT32_MIN;
    return static_cast<int32_t>(static_cast<uint32_t>(value) & mask);
}

// What decides the arithmetic of a wave format: the container size, float
// or integer, and the valid bits of an integer sample.
struct SampleLayout {
    unsigned bits;
    bool isFloat;
    unsigned validBits;
    size_t blockAlign;
    size_t channels;
};

SampleLayout LayoutOf(const std::vector<uint8_t>& format) {
    WAVEFORMATEX wave;
    std::memcpy(&wave, format.data(), sizeof(wave));
    SampleLayout layout{wave.wBitsPerSample, wave.wFormatTag == WAVE_FORMAT_IEEE_FLOAT, wave.wBitsPerSample,
                        wave.nBlockAlign, wave.nChannels};
    if (wave.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
        WAVEFORMATEXTENSIBLE extensible;
        std::memcpy(&extensible, format.data(), sizeof(extensible));
        // A float subformat means float only in a 32-bit container.
        layout.isFloat = layout.bits == 32 && IsEqualGUID(extensible.SubFormat, MEDIASUBTYPE_IEEE_FLOAT);
        layout.validBits = extensible.Samples.wValidBitsPerSample;
    }
    return layout;
}

// One run of whole frames.
Result ProcessRun(const SampleLayout& layout, const uint8_t* source, size_t bytes, double gain) {
    const size_t samples = bytes / layout.blockAlign * layout.channels;
    switch (layout.bits) {
    case 8: return Process8(std::vector<uint8_t>(source, source + samples), gain);
    case 16: return Process16(FromBytes<int16_t>(source, samples), gain);
    case 24: return Process24(std::vector<uint8_t>(source, source + samples * 3), layout.validBits, gain);
    default:
        return layout.isFloat ? ProcessFloat(FromBytes<float>(source, samples), gain)
                              : Process32(FromBytes<int32_t>(source, samples), layout.validBits, gain);
    }
}

}  // namespace

int64_t Quantise(double v, bool round, int64_t lo, int64_t hi) { return QuantiseScaled(v, 0, round, lo, hi); }

Result Process8(const std::vector<uint8_t>& in, double gain) {
    Result r;
    int64_t largest = 0;
    for (uint8_t u : in) {
        const int64_t v = Quantise(double(int(u) - 128) * gain, false, -128, 127);
        r.bytes.push_back(static_cast<uint8_t>(v + 128));
        largest = std::max<int64_t>(largest, v < 0 ? -v : v);
    }
    r.runPeak = static_cast<float>(largest / 128.0);
    return r;
}

Result Process16(const std::vector<int16_t>& in, double gain) {
    Result r;
    int64_t largest = 0;
    for (int16_t s : in) {
        const int64_t v = Quantise(double(s) * gain, true, -32768, 32767);
        Append(&r.bytes, static_cast<int16_t>(v));
        largest = std::max<int64_t>(largest, v < 0 ? -v : v);
    }
    r.runPeak = static_cast<float>(largest / 32768.0);
    return r;
}

Result Process24(const std::vector<uint8_t>& packed, unsigned validBits, double gain) {
    Result r;
    uint32_t largest = 0;
    for (size_t i = 0; i + 3 <= packed.size(); i += 3) {
        const uint32_t raw = uint32_t(packed[i]) << 8 | uint32_t(packed[i + 1]) << 16 | uint32_t(packed[i + 2]) << 24;
        const int32_t out = LeftJustified(static_cast<int32_t>(raw), validBits, gain);
        r.bytes.push_back(static_cast<uint8_t>(uint32_t(out) >> 8));
        r.bytes.push_back(static_cast<uint8_t>(uint32_t(out) >> 16));
        r.bytes.push_back(static_cast<uint8_t>(uint32_t(out) >> 24));
        largest = std::max(largest, LeftJustifiedMagnitude(out));
    }
    r.runPeak = static_cast<float>(std::ldexp(double(largest), -31));
    return r;
}

Result Process32(const std::vector<int32_t>& in, unsigned validBits, double gain) {
    Result r;
    uint32_t largest = 0;
    for (int32_t s : in) {
        const int32_t out = LeftJustified(s, validBits, gain);
        Append(&r.bytes, out);
        largest = std::max(largest, LeftJustifiedMagnitude(out));
    }
    r.runPeak = static_cast<float>(std::ldexp(double(largest), -31));
    return r;
}

Result ProcessFloat(const std::vector<float>& in, double gain) {
    Result r;
    float largest = 0.0f;
    for (float f : in) {
        const float o = static_cast<float>(double(f) * gain);
        Append(&r.bytes, o);
        largest = std::max(largest, std::fabs(o));
    }
    r.runPeak = largest;
    return r;
}

double LinearGain(float gainDb) { return std::pow(10.0, static_cast<double>(gainDb) * (std::log10(2.0) / 6.0)); }

Result PlayStream(const std::vector<uint8_t>& format, const std::vector<uint8_t>& data, float gainDb, size_t chunkBytes,
                  bool enabled) {
    Result result;
    if (!enabled) {
        result.bytes = data;
        return result;
    }
    const SampleLayout layout = LayoutOf(format);
    const double gain = LinearGain(gainDb);
    for (size_t offset = 0; offset < data.size(); offset += chunkBytes) {
        const size_t bytes = std::min(chunkBytes, data.size() - offset);
        const Result run = ProcessRun(layout, data.data() + offset, bytes, gain);
        result.bytes.insert(result.bytes.end(), run.bytes.begin(), run.bytes.end());
        result.runPeak = std::max(result.runPeak, run.runPeak);
    }
    return result;
}

}  // namespace reference
}  // namespace gainlet
