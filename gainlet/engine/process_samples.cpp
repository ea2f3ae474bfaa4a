#include "engine/process_samples.h"

#include <cstdint>
#include <cstring>

#include "engine/shared_gain_state.h"

namespace gainlet {
namespace {

// The two extensible subformats, spelled out here so that no GUID library
// has to be linked for them.
const GUID kSubtypePcm = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const GUID kSubtypeFloat = {0x00000003, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

enum class Layout { kUnsigned8, kSigned16, kPacked24, kSigned32, kFloat32 };

struct SampleFormat {
    Layout layout;
    unsigned bytesPerSample;
    unsigned stepShift;  // log2 of the valid-bit step in the left-justified 32-bit value
};

bool ClassifyFormat(const WAVEFORMATEX* format, SampleFormat* out) {
    const bool extensible = format->wFormatTag == WAVE_FORMAT_EXTENSIBLE;
    const auto* ext = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(format);
    // Valid bits other than 1..container size never pass type negotiation;
    // falling back to the container keeps the masks defined regardless.
    auto shiftFor = [&](unsigned containerBits) -> unsigned {
        unsigned valid = extensible ? ext->Samples.wValidBitsPerSample : containerBits;
        if (valid == 0 || valid > containerBits) valid = containerBits;
        return 32 - valid;
    };
    switch (format->wBitsPerSample) {
    case 8:
        *out = {Layout::kUnsigned8, 1, 0};
        return true;
    case 16:
        *out = {Layout::kSigned16, 2, 0};
        return true;
    case 24:
        *out = {Layout::kPacked24, 3, shiftFor(24)};
        return true;
    case 32:
        if (format->wFormatTag == WAVE_FORMAT_IEEE_FLOAT) {
            *out = {Layout::kFloat32, 4, 0};
            return true;
        }
        if (!extensible) return false;
        if (IsEqualGUID(ext->SubFormat, kSubtypeFloat)) {
            *out = {Layout::kFloat32, 4, 0};
            return true;
        }
        if (IsEqualGUID(ext->SubFormat, kSubtypePcm)) {
            *out = {Layout::kSigned32, 4, shiftFor(32)};
            return true;
        }
        return false;
    default:
        return false;
    }
}

// The largest double below one half. Adding it and truncating rounds to
// nearest with halves away from zero for every |y| < 2^52; adding exactly 0.5
// would turn 0.49999999999999994 into 1 through the rounding of the sum.
constexpr double kHalfBelow = 0.49999999999999994;

// Every integer layout ends in the same step: the scaled value y, in units of
// the layout's step, clamped to [lo, hi] and rounded (or truncated) to an
// integer. Clamping before the conversion keeps it in range for any gain, and
// because lo and hi are integers it gives the same result as saturating after
// rounding.
//
// A NaN product gives silence (0). That is what a NaN gain yields for every
// sample, and what an infinite gain yields for silent samples (0 * inf); an
// infinite gain otherwise saturates each sample to the bound of its own sign,
// and a gain of -inf dB (factor 0) silences everything.
inline int32_t Quantise(double y, double lo, double hi, bool round) {
    if (y != y) return 0;
    y = y < lo ? lo : y;
    y = y > hi ? hi : y;
    if (round) y += y < 0 ? -kHalfBelow : kHalfBelow;
    return static_cast<int32_t>(y);
}

// One 8-byte read per sample, never hoisted: a gain change from another
// thread takes effect at the next sample.
inline double CurrentGain() {
    return *static_cast<const volatile double*>(&g_sharedGainState.linearGain);
}

inline int32_t Load24(const BYTE* p) {
    return static_cast<int32_t>((uint32_t(p[0]) << 8) | (uint32_t(p[1]) << 16) |
                                (uint32_t(p[2]) << 24));
}

inline int32_t Load32(const BYTE* p) {
    int32_t v;
    std::memcpy(&v, p, sizeof(v));
    return v;
}

// Peak of a left-justified 32-bit result: its lowest 8 bits are cleared first
// so that the magnitude is exact in single precision; 0x80000000 counts 2^31.
inline uint32_t LeftJustifiedMagnitude(int32_t value) {
    const uint32_t cleared = static_cast<uint32_t>(value) & 0xFFFFFF00u;
    return static_cast<int32_t>(cleared) < 0 ? 0u - cleared : cleared;
}

float Process8(BYTE* dst, const BYTE* src, size_t n) {
    uint32_t largest = 0;
    for (size_t i = 0; i < n; ++i) {
        const int32_t s = int32_t(src[i]) - 128;
        const int32_t v = Quantise(s * CurrentGain(), -128.0, 127.0, false);
        dst[i] = static_cast<BYTE>(v + 128);
        const uint32_t magnitude = v < 0 ? uint32_t(-v) : uint32_t(v);
        if (magnitude > largest) largest = magnitude;
    }
    return static_cast<float>(largest) * (1.0f / 128.0f);
}

float Process16(BYTE* dst, const BYTE* src, size_t n) {
    uint32_t largest = 0;
    for (size_t i = 0; i < n; ++i) {
        int16_t s;
        std::memcpy(&s, src + 2 * i, 2);
        const int32_t v = Quantise(s * CurrentGain(), -32768.0, 32767.0, true);
        const int16_t out = static_cast<int16_t>(v);
        std::memcpy(dst + 2 * i, &out, 2);
        const uint32_t magnitude = v < 0 ? uint32_t(-v) : uint32_t(v);
        if (magnitude > largest) largest = magnitude;
    }
    return static_cast<float>(largest) * (1.0f / 32768.0f);
}

// 24- and 32-bit integers work in units of the valid-bit step: the masked
// left-justified sample shifted down by the step's exponent. Scaling by a
// power of two is exact, so rounding there is rounding to the step.
template <bool Packed>
float ProcessLeftJustified(BYTE* dst, const BYTE* src, size_t n, unsigned shift) {
    const int32_t mask = static_cast<int32_t>(0xFFFFFFFFu << shift);
    const double lo = -double(int64_t(1) << (31 - shift));
    const double hi = double((int64_t(1) << (31 - shift)) - 1);
    const size_t stride = Packed ? 3 : 4;
    uint32_t largest = 0;
    for (size_t i = 0; i < n; ++i) {
        const BYTE* in = src + stride * i;
        const int32_t g = (Packed ? Load24(in) : Load32(in)) & mask;
        const int32_t units = g >> shift;
        const int32_t q = Quantise(units * CurrentGain(), lo, hi, true);
        const int32_t result = static_cast<int32_t>(static_cast<uint32_t>(q) << shift);
        BYTE* out = dst + stride * i;
        if (Packed) {
            out[0] = static_cast<BYTE>(result >> 8);
            out[1] = static_cast<BYTE>(result >> 16);
            out[2] = static_cast<BYTE>(result >> 24);
        } else {
            std::memcpy(out, &result, 4);
        }
        const uint32_t magnitude = LeftJustifiedMagnitude(result);
        if (magnitude > largest) largest = magnitude;
    }
    return static_cast<float>(largest) * (1.0f / 2147483648.0f);
}

// Floats are scaled in double and rounded once to single; they are never
// clipped. The peak is the largest absolute bit pattern, which orders like the
// magnitude (a NaN output, possible only with a NaN gain or input, ranks above
// infinity).
float ProcessFloat(BYTE* dst, const BYTE* src, size_t n) {
    uint32_t largest = 0;
    for (size_t i = 0; i < n; ++i) {
        float f;
        std::memcpy(&f, src + 4 * i, 4);
        const float o = static_cast<float>(f * CurrentGain());
        std::memcpy(dst + 4 * i, &o, 4);
        uint32_t bits;
        std::memcpy(&bits, &o, 4);
        bits &= 0x7FFFFFFFu;
        if (bits > largest) largest = bits;
    }
    float peak;
    std::memcpy(&peak, &largest, 4);
    return peak;
}

}  // namespace

HRESULT ProcessSamples(BOOL enabled, const WAVEFORMATEX* format, BYTE* destination,
                       const BYTE* source, DWORD* count) {
    if (!enabled) {
        std::memcpy(destination, source, *count);
        return S_OK;
    }
    SampleFormat sample;
    if (!ClassifyFormat(format, &sample)) {
        *count = 0;
        return E_FAIL;
    }
    // Whole frames only. A block alignment smaller than the packed samples of
    // a frame never passes type negotiation; bounding the frames by both keeps
    // every access inside the count whatever the block says.
    const size_t packedFrame = size_t(format->nChannels) * sample.bytesPerSample;
    size_t frames = format->nBlockAlign ? *count / format->nBlockAlign : 0;
    if (packedFrame == 0) frames = 0;
    else if (frames > *count / packedFrame) frames = *count / packedFrame;
    const size_t n = frames * format->nChannels;
    *count = static_cast<DWORD>(n * sample.bytesPerSample);

    float runPeak = 0.0f;
    switch (sample.layout) {
    case Layout::kUnsigned8:
        runPeak = Process8(destination, source, n);
        break;
    case Layout::kSigned16:
        runPeak = Process16(destination, source, n);
        break;
    case Layout::kPacked24:
        runPeak = ProcessLeftJustified<true>(destination, source, n, sample.stepShift);
        break;
    case Layout::kSigned32:
        runPeak = ProcessLeftJustified<false>(destination, source, n, sample.stepShift);
        break;
    case Layout::kFloat32:
        runPeak = ProcessFloat(destination, source, n);
        break;
    }
    g_sharedGainState.UpdateMeter(runPeak);
    return S_OK;
}

}  // namespace gainlet
