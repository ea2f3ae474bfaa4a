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
// Each layout has one kernel, an SSE2 step over a block of a few samples,
// and nothing else computes a sample: the samples at either end of a run
// that a step cannot reach in place go through it in a staging block of
// silence, whose own results are silence and so never raise the peak (the
// float kernel, where silence times an infinite gain is NaN, leaves staged
// lanes out of its peak instead). Where
// the kernels round, they work on magnitudes: |s| x gain is exactly
// |s x gain|, so the rounding needs no sign-dependent offset, and the sign
// goes back on as an integer.
//
// Gains nobody should set but a hand-edited registry value can hold stay
// defined: a NaN product (NaN gain, or an infinite gain on a silent sample)
// gives silence, an infinite gain saturates each sample to the bound of its
// own sign, and -inf dB (factor 0) silences everything. Floats simply follow
// IEEE arithmetic. No conversion to integer is ever undefined: every number
// is clamped into range first, and a NaN is either replaced by 0 before the
// conversion or (in two kernels) converted by the instruction to its
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
// Magnitudes for the peak.

inline uint32_t Magnitude(int32_t v) { return v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v); }

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
// into: 0 at once, or the conversion's out-of-range value
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
// The kernels. Each is a step over kSamples samples of kBytes bytes that
// writes their results and folds their magnitudes into a Peak, and a Largest
// that turns the Peak into the run's largest magnitude in the layout's own
// units (for floats, the largest absolute bit pattern). A step may read
// kBefore bytes before its block and write kAfter bytes past it. The step's
// last argument is how many of its samples are the run's; only the float
// kernel needs it, because a silent float times an infinite gain is NaN.

// One step over the first count (at most kSamples) samples at src and dst,
// through a staging block of silence wide enough for the step's reach. Kept
// out of line and handed copies, so that the loop's kernel and peak stay in
// registers instead of in memory that the loop's stores might alias.
template <class Kernel>
__attribute__((noinline)) typename Kernel::Peak StagedStep(const Kernel kernel, BYTE* dst, const BYTE* src,
                                                           size_t count, typename Kernel::Peak peak) {
    constexpr size_t kBlock = Kernel::kSamples * Kernel::kBytes;
    BYTE in[Kernel::kBefore + kBlock + Kernel::kAfter];
    BYTE out[sizeof in];
    std::memset(in, Kernel::kSilence, sizeof in);
    std::memcpy(in + Kernel::kBefore, src, count * Kernel::kBytes);
    peak = kernel.Step(out + Kernel::kBefore, in + Kernel::kBefore, peak, count);
    std::memcpy(dst, out + Kernel::kBefore, count * Kernel::kBytes);
    return peak;
}

// Runs kernel over n samples: in place wherever a step's reach stays inside
// the run, and staged at the ends. A step that writes past its block writes
// there before the next step writes the same bytes, so the blocks go in
// order.
template <class Kernel>
uint32_t RunKernel(const Kernel kernel, BYTE* dst, const BYTE* src, size_t n) {
    constexpr size_t kSamples = Kernel::kSamples, kBytes = Kernel::kBytes;
    typename Kernel::Peak peak = kernel.Start();
    size_t i = 0;
    if (Kernel::kBefore != 0 && n != 0) {
        i = std::min(kSamples, n);
        peak = StagedStep(kernel, dst, src, i, peak);
    }
    // In place, a step's block ends where what it writes past the block
    // still lies inside the run; the rest is at most one block.
    constexpr size_t kReach = (Kernel::kAfter + kBytes - 1) / kBytes;
    const size_t end = n > kReach ? n - kReach : 0;
    for (; i + kSamples <= end; i += kSamples) peak = kernel.Step(dst + kBytes * i, src + kBytes * i, peak, kSamples);
    if (i < n) peak = StagedStep(kernel, dst + kBytes * i, src + kBytes * i, n - i, peak);
    return kernel.Largest(peak);
}

// 8-bit: unsigned bytes around 128, truncated toward zero, which is what the
// conversion instruction does to a signed value, so this kernel works on
// signed samples. Any gain above 255 saturates every sample other than
// silence just as 255 does, so the gain is capped there: every product then
// stays within +-32640, the conversion is in range, and the signed packs
// saturate to -128..127. The cap keeps a NaN gain (minpd returns its second
// operand when either is NaN), and -32768 after the first pack can then only
// be a NaN product.
struct Unsigned8 {
    static constexpr size_t kSamples = 16, kBytes = 1, kBefore = 0, kAfter = 0;
    static constexpr BYTE kSilence = 0x80;
    struct Peak {
        __m128i highest, lowest;  // output bytes, so 128 is silence
    };

    Peak Start() const { return {Bias(), Bias()}; }

    Peak Step(BYTE* dst, const BYTE* src, Peak peak, size_t) const {
        const __m128i bias = Bias();
        const __m128i s = _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src)), bias);
        // Sign extension to 16, then 32 bits.
        const __m128i low = _mm_srai_epi16(_mm_unpacklo_epi8(s, s), 8);
        const __m128i high = _mm_srai_epi16(_mm_unpackhi_epi8(s, s), 8);
        const __m128i q0 = Scale(_mm_srai_epi32(_mm_unpacklo_epi16(low, low), 16));
        const __m128i q1 = Scale(_mm_srai_epi32(_mm_unpackhi_epi16(low, low), 16));
        const __m128i q2 = Scale(_mm_srai_epi32(_mm_unpacklo_epi16(high, high), 16));
        const __m128i q3 = Scale(_mm_srai_epi32(_mm_unpackhi_epi16(high, high), 16));
        const __m128i out = _mm_xor_si128(
            _mm_packs_epi16(WithoutNan(_mm_packs_epi32(q0, q1)), WithoutNan(_mm_packs_epi32(q2, q3))), bias);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), out);
        return {_mm_max_epu8(peak.highest, out), _mm_min_epu8(peak.lowest, out)};
    }

    uint32_t Largest(const Peak& peak) const {
        return LargestLaneMagnitude<int8_t>(_mm_xor_si128(peak.highest, Bias()), _mm_xor_si128(peak.lowest, Bias()));
    }

private:
    static __m128i Bias() { return _mm_set1_epi8(static_cast<char>(0x80)); }

    static __m128i Scale(__m128i samples) {
        const __m128d cap = _mm_set1_pd(255.0);
        const __m128d low = _mm_mul_pd(_mm_cvtepi32_pd(samples), _mm_min_pd(cap, LoadGainPair()));
        const __m128d high =
            _mm_mul_pd(_mm_cvtepi32_pd(_mm_unpackhi_epi64(samples, samples)), _mm_min_pd(cap, LoadGainPair()));
        return _mm_unpacklo_epi64(_mm_cvttpd_epi32(low), _mm_cvttpd_epi32(high));
    }
    static __m128i WithoutNan(__m128i v) { return _mm_andnot_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16(-32768)), v); }
};

// 16-bit signed, rounded.
struct Signed16 {
    static constexpr size_t kSamples = 8, kBytes = 2, kBefore = 0, kAfter = 0;
    static constexpr BYTE kSilence = 0;
    struct Peak {
        __m128i highest, lowest;
    };

    Peak Start() const { return {_mm_setzero_si128(), _mm_setzero_si128()}; }

    Peak Step(BYTE* dst, const BYTE* src, Peak peak, size_t) const {
        const __m128d bound = _mm_set1_pd(32768.0);
        const __m128i zero = _mm_setzero_si128();
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
        const __m128i negative = _mm_srai_epi16(s, 15);
        const __m128i magnitude = NegateWhere16(s, negative);  // 0..32768 as unsigned
        const __m128i q0 = ScaleMagnitudes<true>(_mm_unpacklo_epi16(magnitude, zero), bound);
        const __m128i q1 = ScaleMagnitudes<true>(_mm_unpackhi_epi16(magnitude, zero), bound);
        const __m128i v0 = NegateWhere32(q0, _mm_unpacklo_epi16(negative, negative));
        const __m128i v1 = NegateWhere32(q1, _mm_unpackhi_epi16(negative, negative));
        // The signed pack saturates a positive 32768 to 32767.
        const __m128i out = _mm_packs_epi32(v0, v1);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), out);
        return {_mm_max_epi16(peak.highest, out), _mm_min_epi16(peak.lowest, out)};
    }

    uint32_t Largest(const Peak& peak) const { return LargestLaneMagnitude<int16_t>(peak.highest, peak.lowest); }
};

inline int LoadInt32(const BYTE* p) {
    int value;
    std::memcpy(&value, p, 4);
    return value;
}

// 24- and 32-bit integers work in units of the valid-bit step: the
// left-justified sample shifted down (arithmetically) by the step's exponent,
// which also drops the bits below the valid ones. Scaling by a power of two
// is exact, so rounding there is rounding to the step, and the bounds
// 2^(31-shift) below and 2^(31-shift) - 1 above are the 32-bit range reduced
// to the valid bits. Packed samples are 3 bytes, loaded into the top 3 bytes
// of a lane and stored from its low 3 bytes; the rest is the same for both.
template <bool Packed>
class LeftJustified {
public:
    static constexpr size_t kSamples = 4, kBytes = Packed ? 3 : 4;
    // A packed load reads the byte before each sample (the valid-bit shift
    // drops it), and a packed store writes 2 bytes past its 12.
    static constexpr size_t kBefore = Packed ? 1 : 0, kAfter = Packed ? 2 : 0;
    static constexpr BYTE kSilence = 0;

    explicit LeftJustified(unsigned shift)
        : shift_(shift),
          negativeBound_(uint32_t(1) << (31 - shift)),
          vShift_(_mm_cvtsi32_si128(static_cast<int>(shift))),
          vPackedShift_(_mm_cvtsi32_si128(static_cast<int>(shift >= 8 ? shift - 8 : 0))),
          vNegativeBound_(_mm_set1_epi32(static_cast<int>(negativeBound_))),
          vBound_(_mm_set1_pd(double(negativeBound_))) {}

    // With at least 8 bits below the valid ones, every magnitude and every
    // peak in step units is exact as a float; wider samples take the signed
    // kernel below.
    bool NarrowSteps() const { return shift_ >= 8; }

protected:
    static __m128i Load(const BYTE* p) {
        if (!Packed) return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i first =
            _mm_unpacklo_epi32(_mm_cvtsi32_si128(LoadInt32(p - 1)), _mm_cvtsi32_si128(LoadInt32(p + 2)));
        const __m128i second =
            _mm_unpacklo_epi32(_mm_cvtsi32_si128(LoadInt32(p + 5)), _mm_cvtsi32_si128(LoadInt32(p + 8)));
        return _mm_unpacklo_epi64(first, second);
    }

    static void Store(BYTE* p, __m128i values) {
        if (!Packed) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p), values);
            return;
        }
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

    int32_t Result(int32_t units) const { return static_cast<int32_t>(static_cast<uint32_t>(units) << shift_); }

    unsigned shift_;
    uint32_t negativeBound_;
    __m128i vShift_, vPackedShift_, vNegativeBound_;
    __m128d vBound_;
};

// Magnitudes tracked in step units. The results come left-justified, or for
// packed output shifted 8 bits less, with the 3 bytes to write at the
// bottom.
//
// A NaN product leaves the conversion's 0x80000000 in q, which no real
// magnitude reaches here: it passes through the sign and saturation steps
// unchanged, the final shift (by at least 8, or by 0 to 8 for packed output,
// whose top byte is dropped) leaves 0 in every byte written, and as a
// negative float it never wins the peak.
template <bool Packed>
class NarrowKernel : public LeftJustified<Packed> {
public:
    using LeftJustified<Packed>::LeftJustified;
    using Peak = __m128;

    Peak Start() const { return _mm_setzero_ps(); }

    Peak Step(BYTE* dst, const BYTE* src, Peak largest, size_t) const {
        const __m128i units = _mm_sra_epi32(this->Load(src), this->vShift_);
        const __m128i negative = _mm_srai_epi32(units, 31);
        const __m128i q = ScaleMagnitudes<true, NanBecomes::kOutOfRange>(NegateWhere32(units, negative), this->vBound_);
        // -1 where a positive result reached the negative bound.
        const __m128i over = _mm_andnot_si128(negative, _mm_cmpeq_epi32(q, this->vNegativeBound_));
        const __m128i magnitude = _mm_add_epi32(q, over);
        this->Store(dst, _mm_sll_epi32(_mm_add_epi32(NegateWhere32(q, negative), over),
                                       Packed ? this->vPackedShift_ : this->vShift_));
        return _mm_max_ps(largest, _mm_cvtepi32_ps(magnitude));
    }

    uint32_t Largest(Peak largest) const {
        float lanes[4];
        _mm_storeu_ps(lanes, largest);
        float top = 0.0f;
        for (float lane : lanes) top = std::max(top, lane);
        return static_cast<uint32_t>(top) << this->shift_;
    }
};

// Wide steps (32 valid bits): |INT32_MIN| does not fit a lane, so this
// kernel clamps the signed value, tracking the clamped extremes (rounding
// preserves their order).
template <bool Packed>
class WideKernel : public LeftJustified<Packed> {
public:
    using LeftJustified<Packed>::LeftJustified;
    struct Peak {
        __m128d highest, lowest;
    };

    Peak Start() const { return {_mm_setzero_pd(), _mm_setzero_pd()}; }

    Peak Step(BYTE* dst, const BYTE* src, Peak peak, size_t) const {
        const __m128i units = _mm_sra_epi32(this->Load(src), this->vShift_);
        const __m128i low = Pair(_mm_cvtepi32_pd(units), &peak);
        const __m128i high = Pair(_mm_cvtepi32_pd(_mm_unpackhi_epi64(units, units)), &peak);
        this->Store(dst, _mm_sll_epi32(_mm_unpacklo_epi64(low, high), this->vShift_));
        return peak;
    }

    uint32_t Largest(const Peak& peak) const {
        double highs[2], lows[2];
        _mm_storeu_pd(highs, peak.highest);
        _mm_storeu_pd(lows, peak.lowest);
        const double top = std::max(highs[0], highs[1]);
        const double bottom = std::min(lows[0], lows[1]);
        return std::max(LeftJustifiedMagnitude(this->Result(RoundClamped(top))),
                        LeftJustifiedMagnitude(this->Result(RoundClamped(bottom))));
    }

private:
    __m128i Pair(__m128d units, Peak* peak) const {
        const double bound = double(this->negativeBound_);
        __m128d y = _mm_mul_pd(units, LoadGainPair());
        y = _mm_and_pd(y, _mm_cmpord_pd(y, y));  // NaN -> 0
        y = _mm_max_pd(y, _mm_set1_pd(-bound));
        y = _mm_min_pd(y, _mm_set1_pd(bound - 1.0));
        peak->highest = _mm_max_pd(peak->highest, y);
        peak->lowest = _mm_min_pd(peak->lowest, y);
        const __m128d sign = _mm_and_pd(y, _mm_set1_pd(-0.0));
        return _mm_cvttpd_epi32(_mm_add_pd(y, _mm_or_pd(sign, _mm_set1_pd(kHalfBelow))));
    }

    // The peak's extremes are already clamped; this is the step's rounding.
    static int32_t RoundClamped(double y) { return static_cast<int32_t>(y + (y < 0 ? -kHalfBelow : kHalfBelow)); }
};

template <bool Packed>
uint32_t ProcessLeftJustified(BYTE* dst, const BYTE* src, size_t n, unsigned shift) {
    const NarrowKernel<Packed> narrow(shift);
    if (narrow.NarrowSteps()) return RunKernel(narrow, dst, src, n);
    return RunKernel(WideKernel<Packed>(shift), dst, src, n);
}

// Floats are scaled in double and rounded once to single; they are never
// clipped. The peak is the largest absolute bit pattern, which orders like the
// magnitude (a NaN output, possible only with a NaN gain or input, ranks above
// infinity). Staged silence times an infinite or NaN gain is NaN, so only the
// run's own samples count.
struct Float32 {
    static constexpr size_t kSamples = 4, kBytes = 4, kBefore = 0, kAfter = 0;
    static constexpr BYTE kSilence = 0;
    using Peak = __m128i;

    Peak Start() const { return _mm_setzero_si128(); }

    Peak Step(BYTE* dst, const BYTE* src, Peak largestBits, size_t count) const {
        const __m128i absolute = _mm_set1_epi32(0x7FFFFFFF);
        const __m128 f = _mm_loadu_ps(reinterpret_cast<const float*>(src));
        const __m128d low = _mm_mul_pd(_mm_cvtps_pd(f), LoadGainPair());
        const __m128d high = _mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(f, f)), LoadGainPair());
        const __m128 out = _mm_movelh_ps(_mm_cvtpd_ps(low), _mm_cvtpd_ps(high));
        _mm_storeu_ps(reinterpret_cast<float*>(dst), out);
        const __m128i own = _mm_cmpgt_epi32(_mm_set1_epi32(static_cast<int>(count)), _mm_setr_epi32(0, 1, 2, 3));
        const __m128i bits = _mm_and_si128(_mm_castps_si128(out), _mm_and_si128(own, absolute));
        const __m128i greater = _mm_cmpgt_epi32(bits, largestBits);
        return _mm_or_si128(_mm_and_si128(greater, bits), _mm_andnot_si128(greater, largestBits));
    }

    uint32_t Largest(Peak largestBits) const {
        uint32_t lanes[4];
        StoreLanes(largestBits, lanes);
        return std::max(std::max(lanes[0], lanes[1]), std::max(lanes[2], lanes[3]));
    }
};

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
        runPeak = static_cast<float>(RunKernel(Unsigned8(), destination, source, n)) * (1.0f / 128.0f);
        break;
    case SampleLayout::kSigned16:
        runPeak = static_cast<float>(RunKernel(Signed16(), destination, source, n)) * (1.0f / 32768.0f);
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
        const uint32_t bits = RunKernel(Float32(), destination, source, n);
        std::memcpy(&runPeak, &bits, sizeof(runPeak));
        break;
    }
    }
    g_sharedGainState.UpdateMeter(runPeak);
}

}  // namespace gainlet
