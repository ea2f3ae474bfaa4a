#include "engine/process_samples.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "base/shared_gain_state.h"

// The arithmetic of every layout, in one place:
//
//   working value (in units of the layout's valid-bit step) x gain, in double,
//   then rounded to nearest with halves away from zero (8-bit: truncated
//   toward zero), then saturated to the layout's bounds.
//
// The SSE2 loops below and the scalar loops that finish each run compute
// exactly this; the vector form only changes how, never a result bit. Where
// they round, both work on magnitudes: |s| x gain is exactly |s x gain|, so
// the rounding needs no sign-dependent offset, and the sign goes back on as
// an integer.
//
// Gains nobody should set but a hand-edited registry value can hold stay
// defined: a NaN product (NaN gain, or an infinite gain on a silent sample)
// gives silence, an infinite gain saturates each sample to the bound of its
// own sign, and -inf dB (factor 0) silences everything. Floats simply follow
// IEEE arithmetic. No conversion to integer is ever undefined: every number
// is clamped into range first, and a NaN is either replaced by 0 before the
// conversion or (in two vector loops) converted by the instruction to its
// fixed out-of-range value 0x80000000, which is then recognised and replaced.

namespace gainlet {
namespace {

// The largest double below one half. Adding it to a non-negative y and
// truncating rounds to nearest with halves away from zero for every
// y < 2^52; adding exactly 0.5 would turn 0.49999999999999994 into 1 through
// the rounding of the sum.
constexpr double kHalfBelow = 0.49999999999999994;

// One 8-byte read per sample, never hoisted or merged: a gain change from
// another thread takes effect at the next sample.
inline double SharedGain() { return g_sharedGainState.LinearGain(); }

// ---------------------------------------------------------------------------
// Scalar forms, for the samples left over after the vector loops.

// |s| x gain for a magnitude, clamped to [0, bound], rounded or truncated.
inline uint32_t ScaleMagnitude(uint32_t magnitude, double bound, bool round) {
    double y = double(magnitude) * SharedGain();
    if (!(y > 0.0)) return 0;  // also NaN
    if (y > bound) y = bound;
    if (round) y += kHalfBelow;
    return static_cast<uint32_t>(y);
}

inline uint32_t Magnitude(int32_t v) { return v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v); }

// The signed result from a quantised magnitude and the input's sign, with
// the positive side one below the negative bound.
inline int32_t ApplySign(uint32_t magnitude, bool negative, uint32_t negativeBound) {
    if (negative) return static_cast<int32_t>(0u - magnitude);
    return static_cast<int32_t>(magnitude == negativeBound ? magnitude - 1 : magnitude);
}

inline int32_t Load24(const BYTE* p) {
    return static_cast<int32_t>((uint32_t(p[0]) << 8) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 24));
}

// Peak of a left-justified 32-bit result: its lowest 8 bits are cleared first
// so that the magnitude is exact in single precision; 0x80000000 counts 2^31.
inline uint32_t LeftJustifiedMagnitude(int32_t value) {
    return Magnitude(static_cast<int32_t>(static_cast<uint32_t>(value) & 0xFFFFFF00u));
}

// ---------------------------------------------------------------------------
// Vector building blocks (SSE2: present on every machine the plug-in runs on,
// and the compiler's floating-point unit anyway).

inline __m128d LoadGainPair() {
    const double first = SharedGain();
    const double second = SharedGain();
    return _mm_set_pd(second, first);
}

// What a NaN product (NaN gain, or infinite gain on a silent sample) turns
// into in the vector forms: 0 at once, or the conversion's out-of-range value
// 0x80000000 for the caller to replace where that value cannot otherwise
// occur.
enum class NanBecomes { kZero, kOutOfRange };

// Two magnitudes x two fresh gains, clamped to [0, bound] and rounded or
// truncated; the results are the low two int32 lanes. The products are never
// negative, so the lower clamp only matters for NaN: maxpd returns its second
// operand when either is NaN, and minpd with the bound first keeps the NaN.
template <bool Round, NanBecomes Nan = NanBecomes::kZero>
inline __m128i ScaleMagnitudePair(__m128d magnitudes, __m128d bound) {
    __m128d y = _mm_mul_pd(magnitudes, LoadGainPair());
    if (Nan == NanBecomes::kZero) {
        y = _mm_min_pd(_mm_max_pd(y, _mm_setzero_pd()), bound);
    } else {
        y = _mm_min_pd(bound, y);
    }
    if (Round) y = _mm_add_pd(y, _mm_set1_pd(kHalfBelow));
    return _mm_cvttpd_epi32(y);
}

// Four int32 magnitudes (each at most 2^30) scaled in sample order.
template <bool Round, NanBecomes Nan = NanBecomes::kZero>
inline __m128i ScaleMagnitudes(__m128i magnitudes, __m128d bound) {
    const __m128i low = ScaleMagnitudePair<Round, Nan>(_mm_cvtepi32_pd(magnitudes), bound);
    const __m128i high =
        ScaleMagnitudePair<Round, Nan>(_mm_cvtepi32_pd(_mm_unpackhi_epi64(magnitudes, magnitudes)), bound);
    return _mm_unpacklo_epi64(low, high);
}

// Two's-complement negation where mask is all ones: (v ^ mask) - mask.
inline __m128i NegateWhere32(__m128i v, __m128i mask) { return _mm_sub_epi32(_mm_xor_si128(v, mask), mask); }
inline __m128i NegateWhere16(__m128i v, __m128i mask) { return _mm_sub_epi16(_mm_xor_si128(v, mask), mask); }

template <typename Lane, int Lanes>
inline void StoreLanes(__m128i v, Lane (&lanes)[Lanes]) {
    static_assert(sizeof(lanes) == 16, "one vector");
    std::memcpy(lanes, &v, 16);
}

// The largest magnitude among the lanes of a loop's running signed maximum
// and minimum.
template <typename Lane>
inline uint32_t LargestLaneMagnitude(__m128i highest, __m128i lowest) {
    Lane highs[16 / sizeof(Lane)], lows[16 / sizeof(Lane)];
    StoreLanes(highest, highs);
    StoreLanes(lowest, lows);
    uint32_t largest = 0;
    for (size_t lane = 0; lane < 16 / sizeof(Lane); ++lane) {
        largest = std::max(largest, std::max(Magnitude(highs[lane]), Magnitude(lows[lane])));
    }
    return largest;
}

// ---------------------------------------------------------------------------
// The layouts. Each returns the run's largest magnitude in its own units
// (for floats, the largest absolute bit pattern).

// 8-bit: unsigned bytes around 128, truncated toward zero, which is what the
// conversion instruction does to a signed value, so this loop works on signed
// samples. Any gain above 255 saturates every sample other than silence just
// as 255 does, so the gain is capped there: every product then stays within
// +-32640, the conversion is in range, and the signed packs saturate to
// -128..127. The cap keeps a NaN gain (minpd returns its second operand when
// either is NaN), and -32768 after the first pack can then only be a NaN
// product.
uint32_t Process8(BYTE* dst, const BYTE* src, size_t n) {
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i nanMarker = _mm_set1_epi16(-32768);
    const __m128d cap = _mm_set1_pd(255.0);
    auto scale = [&](__m128i samples) {
        const __m128d low = _mm_mul_pd(_mm_cvtepi32_pd(samples), _mm_min_pd(cap, LoadGainPair()));
        const __m128d high =
            _mm_mul_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(samples, samples)), _mm_min_pd(cap, LoadGainPair()));
        return _mm_unpacklo_epi64(_mm_cvttpd_epi32(low), _mm_cvttpd_epi32(high));
    };
    auto withoutNan = [&](__m128i v) { return _mm_andnot_si128(_mm_cmpeq_epi16(v, nanMarker), v); };
    __m128i highest = bias, lowest = bias;  // output bytes, so 128 is silence
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        const __m128i s = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i)), bias);
        // Sign extension to 16, then 32 bits.
        const __m128i low = _mm_srai_epi16(_mm_unpacklo_epi8(s, s), 8);
        const __m128i high = _mm_srai_epi16(_mm_unpackhi_epi8(s, s), 8);
        const __m128i q0 = scale(_mm_srai_epi32(_mm_unpacklo_epi16(low, low), 16));
        const __m128i q1 = scale(_mm_srai_epi32(_mm_unpackhi_epi16(low, low), 16));
        const __m128i q2 = scale(_mm_srai_epi32(_mm_unpacklo_epi16(high, high), 16));
        const __m128i q3 = scale(_mm_srai_epi32(_mm_unpackhi_epi16(high, high), 16));
        const __m128i out = _mm_xor_si128(
            _mm_packs_epi16(withoutNan(_mm_packs_epi32(q0, q1)), withoutNan(_mm_packs_epi32(q2, q3))), bias);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i), out);
        highest = _mm_max_epu8(highest, out);
        lowest = _mm_min_epu8(lowest, out);
    }
    uint32_t largest = LargestLaneMagnitude<int8_t>(_mm_xor_si128(highest, bias), _mm_xor_si128(lowest, bias));
    for (; i < n; ++i) {
        const int32_t s = int32_t(src[i]) - 128;
        const uint32_t q = ScaleMagnitude(Magnitude(s), 128.0, false);
        const int32_t v = ApplySign(q, s < 0, 128);
        dst[i] = static_cast<BYTE>(v + 128);
        largest = std::max(largest, Magnitude(v));
    }
    return largest;
}

// 16-bit signed, rounded.
uint32_t Process16(BYTE* dst, const BYTE* src, size_t n) {
    const __m128i zero = _mm_setzero_si128();
    const __m128d bound = _mm_set1_pd(32768.0);
    __m128i highest = zero, lowest = zero;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * i));
        const __m128i negative = _mm_srai_epi16(s, 15);
        const __m128i magnitude = NegateWhere16(s, negative);  // 0..32768 as unsigned
        const __m128i q0 = ScaleMagnitudes<true>(_mm_unpacklo_epi16(magnitude, zero), bound);
        const __m128i q1 = ScaleMagnitudes<true>(_mm_unpackhi_epi16(magnitude, zero), bound);
        const __m128i v0 = NegateWhere32(q0, _mm_unpacklo_epi16(negative, negative));
        const __m128i v1 = NegateWhere32(q1, _mm_unpackhi_epi16(negative, negative));
        // The signed pack saturates a positive 32768 to 32767.
        const __m128i out = _mm_packs_epi32(v0, v1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * i), out);
        highest = _mm_max_epi16(highest, out);
        lowest = _mm_min_epi16(lowest, out);
    }
    uint32_t largest = LargestLaneMagnitude<int16_t>(highest, lowest);
    for (; i < n; ++i) {
        int16_t s;
        std::memcpy(&s, src + 2 * i, 2);
        const uint32_t q = ScaleMagnitude(Magnitude(s), 32768.0, true);
        const int16_t v = static_cast<int16_t>(ApplySign(q, s < 0, 32768));
        std::memcpy(dst + 2 * i, &v, 2);
        largest = std::max(largest, Magnitude(v));
    }
    return largest;
}

// 24- and 32-bit integers work in units of the valid-bit step: the
// left-justified sample shifted down (arithmetically) by the step's exponent,
// which also drops the bits below the valid ones. Scaling by a
// power of two is exact, so rounding there is rounding to the step, and the
// bounds 2^(31-shift) below and 2^(31-shift) - 1 above are the 32-bit range
// reduced to the valid bits.
class LeftJustified {
public:
    explicit LeftJustified(unsigned shift)
        : shift_(shift),
          negativeBound_(uint32_t(1) << (31 - shift)),
          vShift_(_mm_cvtsi32_si128(static_cast<int>(shift))),
          vPackedShift_(_mm_cvtsi32_si128(static_cast<int>(shift >= 8 ? shift - 8 : 0))),
          vNegativeBound_(_mm_set1_epi32(static_cast<int>(negativeBound_))),
          vBound_(_mm_set1_pd(double(negativeBound_))) {}

    // With at least 8 bits below the valid ones, every magnitude and every
    // peak in step units is exact as a float; wider samples take the signed
    // path below.
    bool NarrowSteps() const { return shift_ >= 8; }

    // Four left-justified samples to four results, magnitudes tracked in
    // step units. The results come left-justified, or for packed output
    // shifted 8 bits less, with the 3 bytes to write at the bottom.
    //
    // A NaN product leaves the conversion's 0x80000000 in q, which no real
    // magnitude reaches here: it passes through the sign and saturation steps
    // unchanged, the final shift (by at least 8, or by 0 to 8 for packed
    // output, whose top byte is dropped) leaves 0 in every byte written, and
    // as a negative float it never wins the peak.
    template <bool Packed>
    __m128i Narrow(__m128i samples, __m128* largest) const {
        const __m128i units = _mm_sra_epi32(samples, vShift_);
        const __m128i negative = _mm_srai_epi32(units, 31);
        const __m128i q = ScaleMagnitudes<true, NanBecomes::kOutOfRange>(NegateWhere32(units, negative), vBound_);
        // -1 where a positive result reached the negative bound.
        const __m128i over = _mm_andnot_si128(negative, _mm_cmpeq_epi32(q, vNegativeBound_));
        const __m128i magnitude = _mm_add_epi32(q, over);
        *largest = _mm_max_ps(*largest, _mm_cvtepi32_ps(magnitude));
        return _mm_sll_epi32(_mm_add_epi32(NegateWhere32(q, negative), over), Packed ? vPackedShift_ : vShift_);
    }

    // Wide steps (32 valid bits): |INT32_MIN| does not fit a lane, so this
    // path clamps the signed value, tracking the clamped extremes (rounding
    // preserves their order).
    __m128i Wide(__m128i samples, __m128d* highest, __m128d* lowest) const {
        const __m128i units = _mm_sra_epi32(samples, vShift_);
        const __m128i low = WidePair(_mm_cvtepi32_pd(units), highest, lowest);
        const __m128i high = WidePair(_mm_cvtepi32_pd(_mm_unpackhi_epi64(units, units)), highest, lowest);
        return _mm_sll_epi32(_mm_unpacklo_epi64(low, high), vShift_);
    }

    int32_t Scalar(int32_t sample) const {
        const int32_t units = sample >> shift_;
        const uint32_t q = ScaleMagnitude(Magnitude(units), double(negativeBound_), true);
        return Result(ApplySign(q, units < 0, negativeBound_));
    }

    uint32_t FromNarrowPeak(__m128 largest) const {
        float lanes[4];
        _mm_storeu_ps(lanes, largest);
        float top = 0.0f;
        for (float lane : lanes) top = std::max(top, lane);
        return static_cast<uint32_t>(top) << shift_;
    }

    uint32_t FromWidePeak(__m128d highest, __m128d lowest) const {
        double highs[2], lows[2];
        _mm_storeu_pd(highs, highest);
        _mm_storeu_pd(lows, lowest);
        const double top = std::max(highs[0], highs[1]);
        const double bottom = std::min(lows[0], lows[1]);
        return std::max(LeftJustifiedMagnitude(Result(RoundClamped(top))),
                        LeftJustifiedMagnitude(Result(RoundClamped(bottom))));
    }

private:
    __m128i WidePair(__m128d units, __m128d* highest, __m128d* lowest) const {
        __m128d y = _mm_mul_pd(units, LoadGainPair());
        y = _mm_and_pd(y, _mm_cmpord_pd(y, y));  // NaN -> 0
        y = _mm_max_pd(y, _mm_set1_pd(-double(negativeBound_)));
        y = _mm_min_pd(y, _mm_set1_pd(double(negativeBound_) - 1.0));
        *highest = _mm_max_pd(*highest, y);
        *lowest = _mm_min_pd(*lowest, y);
        const __m128d sign = _mm_and_pd(y, _mm_set1_pd(-0.0));
        return _mm_cvttpd_epi32(_mm_add_pd(y, _mm_or_pd(sign, _mm_set1_pd(kHalfBelow))));
    }

    int32_t Result(int32_t units) const { return static_cast<int32_t>(static_cast<uint32_t>(units) << shift_); }

    static int32_t RoundClamped(double y) { return static_cast<int32_t>(y + (y < 0 ? -kHalfBelow : kHalfBelow)); }

    unsigned shift_;
    uint32_t negativeBound_;
    __m128i vShift_, vPackedShift_, vNegativeBound_;
    __m128d vBound_;
};

inline int LoadInt32(const BYTE* p) {
    int value;
    std::memcpy(&value, p, 4);
    return value;
}

// Four packed 3-byte samples as 32-bit lanes with each sample in the top 3
// bytes. Each lane also reads the byte before its sample (so p - 1 must be
// readable); the valid-bit shift drops it.
inline __m128i Unpack24(const BYTE* p) {
    const __m128i first = _mm_unpacklo_epi32(_mm_cvtsi32_si128(LoadInt32(p - 1)), _mm_cvtsi32_si128(LoadInt32(p + 2)));
    const __m128i second = _mm_unpacklo_epi32(_mm_cvtsi32_si128(LoadInt32(p + 5)), _mm_cvtsi32_si128(LoadInt32(p + 8)));
    return _mm_unpacklo_epi64(first, second);
}

// The low 3 bytes of four 32-bit lanes, as 12 consecutive bytes. Writes 14:
// the 2 bytes past the group belong to the next sample, which is written
// after it (the caller leaves at least one sample for later).
inline void Pack24(BYTE* p, __m128i values) {
    // Per 64-bit half: the even lane's 3 bytes at 0-2, the odd lane's at 3-5.
    const __m128i evenBytes = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
    const __m128i oddBytes =
        _mm_set_epi32(0x0000FFFF, static_cast<int>(0xFF000000u), 0x0000FFFF, static_cast<int>(0xFF000000u));
    const __m128i halves =
        _mm_or_si128(_mm_and_si128(values, evenBytes), _mm_and_si128(_mm_srli_epi64(values, 8), oddBytes));
    double low, high;
    _mm_storel_pd(&low, _mm_castsi128_pd(halves));
    _mm_storeh_pd(&high, _mm_castsi128_pd(halves));
    std::memcpy(p, &low, 8);
    std::memcpy(p + 6, &high, 8);
}

template <bool Packed>
uint32_t ProcessLeftJustified(BYTE* dst, const BYTE* src, size_t n, unsigned shift) {
    const LeftJustified rule(shift);
    constexpr size_t kStride = Packed ? 3 : 4;
    uint32_t largest = 0;
    auto scalar = [&](size_t i) {
        const BYTE* in = src + kStride * i;
        const int32_t result = rule.Scalar(Packed ? Load24(in) : LoadInt32(in));
        BYTE* out = dst + kStride * i;
        if (Packed) {
            out[0] = static_cast<BYTE>(result >> 8);
            out[1] = static_cast<BYTE>(result >> 16);
            out[2] = static_cast<BYTE>(result >> 24);
        } else {
            std::memcpy(out, &result, 4);
        }
        largest = std::max(largest, LeftJustifiedMagnitude(result));
    };
    auto load = [&](size_t i) {
        return Packed ? Unpack24(src + 3 * i) : _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * i));
    };
    auto store = [&](size_t i, __m128i v) {
        if (Packed)
            Pack24(dst + 3 * i, v);
        else
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * i), v);
    };

    // Packed groups read the byte before them and write 2 bytes past them, so
    // the first sample and at least the last one go through the scalar form.
    size_t i = 0;
    size_t vectorEnd = n & ~size_t(3);
    if (Packed) {
        if (n == 0) return 0;
        scalar(0);
        i = 1;
        vectorEnd = n >= 2 ? 1 + ((n - 2) & ~size_t(3)) : 1;
    }
    if (rule.NarrowSteps()) {
        __m128 peak = _mm_setzero_ps();
        for (; i < vectorEnd; i += 4) store(i, rule.Narrow<Packed>(load(i), &peak));
        largest = std::max(largest, rule.FromNarrowPeak(peak));
    } else {
        __m128d highest = _mm_setzero_pd(), lowest = _mm_setzero_pd();
        for (; i < vectorEnd; i += 4) store(i, rule.Wide(load(i), &highest, &lowest));
        largest = std::max(largest, rule.FromWidePeak(highest, lowest));
    }
    for (; i < n; ++i) scalar(i);
    return largest;
}

// Floats are scaled in double and rounded once to single; they are never
// clipped. The peak is the largest absolute bit pattern, which orders like the
// magnitude (a NaN output, possible only with a NaN gain or input, ranks above
// infinity).
uint32_t ProcessFloat(BYTE* dst, const BYTE* src, size_t n) {
    const __m128i absolute = _mm_set1_epi32(0x7FFFFFFF);
    __m128i largestBits = _mm_setzero_si128();
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128 f = _mm_loadu_ps(reinterpret_cast<const float*>(src + 4 * i));
        const __m128d low = _mm_mul_pd(_mm_cvtps_pd(f), LoadGainPair());
        const __m128d high = _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(f, f)), LoadGainPair());
        const __m128 out = _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
        _mm_storeu_ps(reinterpret_cast<float*>(dst + 4 * i), out);
        const __m128i bits = _mm_and_si128(_mm_castps_si128(out), absolute);
        const __m128i greater = _mm_cmpgt_epi32(bits, largestBits);
        largestBits = _mm_or_si128(_mm_and_si128(greater, bits), _mm_andnot_si128(greater, largestBits));
    }
    uint32_t lanes[4];
    StoreLanes(largestBits, lanes);
    uint32_t largest = std::max(std::max(lanes[0], lanes[1]), std::max(lanes[2], lanes[3]));
    for (; i < n; ++i) {
        float f;
        std::memcpy(&f, src + 4 * i, 4);
        const float o = static_cast<float>(f * SharedGain());
        std::memcpy(dst + 4 * i, &o, 4);
        uint32_t bits;
        std::memcpy(&bits, &o, 4);
        largest = std::max(largest, bits & 0x7FFFFFFFu);
    }
    return largest;
}

}  // namespace

void ProcessSamples(BOOL enabled, const SampleFormat& format, BYTE* destination, const BYTE* source, DWORD* count) {
    if (!enabled) {
        std::memcpy(destination, source, *count);
        return;
    }
    // Whole frames only. A block alignment smaller than the packed samples of
    // a frame never passes type negotiation; bounding the frames by both keeps
    // every access inside the count whatever the block says.
    const size_t packedFrame = size_t(format.channels) * format.bytesPerSample;
    size_t frames = format.blockAlign ? *count / format.blockAlign : 0;
    if (packedFrame == 0)
        frames = 0;
    else if (frames > *count / packedFrame)
        frames = *count / packedFrame;
    const size_t n = frames * format.channels;
    *count = static_cast<DWORD>(n * format.bytesPerSample);

    const unsigned stepShift = 32u - format.validBits;
    float runPeak = 0.0f;
    switch (format.layout) {
    case SampleLayout::kUnsigned8:
        runPeak = static_cast<float>(Process8(destination, source, n)) * (1.0f / 128.0f);
        break;
    case SampleLayout::kSigned16:
        runPeak = static_cast<float>(Process16(destination, source, n)) * (1.0f / 32768.0f);
        break;
    case SampleLayout::kPacked24:
        runPeak =
            static_cast<float>(ProcessLeftJustified<true>(destination, source, n, stepShift)) * (1.0f / 2147483648.0f);
        break;
    case SampleLayout::kSigned32:
        runPeak =
            static_cast<float>(ProcessLeftJustified<false>(destination, source, n, stepShift)) * (1.0f / 2147483648.0f);
        break;
    case SampleLayout::kFloat32: {
        const uint32_t bits = ProcessFloat(destination, source, n);
        std::memcpy(&runPeak, &bits, sizeof(runPeak));
        break;
    }
    }
    g_sharedGainState.UpdateMeter(runPeak);
}

}  // namespace gainlet
