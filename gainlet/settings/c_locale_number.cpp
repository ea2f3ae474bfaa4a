#include "settings/c_locale_number.h"

#include <cstdint>
#include <cstring>

namespace gainlet {
namespace {

bool IsCSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// An unsigned integer of fixed capacity, just enough for exact decimal to
// binary conversion of any double: no allocation, so nothing on the page's
// path can fail for want of memory.
class BigNumber {
public:
    static constexpr int kWords = 96;  // 3,072 bits; the widest operand below needs about 2,660

    explicit BigNumber(uint64_t value = 0) {
        words[0] = static_cast<uint32_t>(value);
        words[1] = static_cast<uint32_t>(value >> 32);
        used = words[1] ? 2 : (words[0] ? 1 : 0);
    }

    bool IsZero() const { return used == 0; }

    int BitLength() const {
        if (used == 0) return 0;
        int bits = 32 * (used - 1);
        for (uint32_t top = words[used - 1]; top; top >>= 1) ++bits;
        return bits;
    }

    void MultiplyAdd(uint32_t factor, uint32_t addend) {
        uint64_t carry = addend;
        for (int i = 0; i < used; ++i) {
            carry += static_cast<uint64_t>(words[i]) * factor;
            words[i] = static_cast<uint32_t>(carry);
            carry >>= 32;
        }
        if (carry && used < kWords) words[used++] = static_cast<uint32_t>(carry);
    }

    void MultiplyByPowerOfFive(int exponent) {
        constexpr uint32_t kFiveToThe13 = 1220703125u;
        for (; exponent >= 13; exponent -= 13) MultiplyAdd(kFiveToThe13, 0);
        uint32_t rest = 1;
        for (; exponent > 0; --exponent) rest *= 5;
        MultiplyAdd(rest, 0);
    }

    void ShiftLeft(int bits) {
        if (used == 0 || bits <= 0) return;
        const int wordShift = bits / 32, bitShift = bits % 32;
        int top = used + wordShift + 1;
        if (top > kWords) top = kWords;  // cannot happen within the parser's bounds
        for (int i = top - 1; i >= 0; --i) {
            const int from = i - wordShift;
            const uint32_t high = from >= 0 && from < used ? words[from] : 0;
            const uint32_t low = from - 1 >= 0 && from - 1 < used ? words[from - 1] : 0;
            words[i] = bitShift ? (high << bitShift) | (low >> (32 - bitShift)) : high;
        }
        used = top;
        Trim();
    }

    void ShiftRightOne() {
        for (int i = 0; i < used; ++i) words[i] = (words[i] >> 1) | (i + 1 < used ? words[i + 1] << 31 : 0);
        Trim();
    }

    int Compare(const BigNumber& other) const {
        if (used != other.used) return used < other.used ? -1 : 1;
        for (int i = used - 1; i >= 0; --i)
            if (words[i] != other.words[i]) return words[i] < other.words[i] ? -1 : 1;
        return 0;
    }

    // this -= other, with this >= other.
    void Subtract(const BigNumber& other) {
        int64_t borrow = 0;
        for (int i = 0; i < used; ++i) {
            int64_t difference = static_cast<int64_t>(words[i]) - (i < other.used ? other.words[i] : 0) - borrow;
            borrow = difference < 0;
            words[i] = static_cast<uint32_t>(difference + (borrow << 32));
        }
        Trim();
    }

    // this /= divisor; the remainder.
    uint32_t DivideSmall(uint32_t divisor) {
        uint64_t remainder = 0;
        for (int i = used - 1; i >= 0; --i) {
            const uint64_t current = (remainder << 32) | words[i];
            words[i] = static_cast<uint32_t>(current / divisor);
            remainder = current % divisor;
        }
        Trim();
        return static_cast<uint32_t>(remainder);
    }

private:
    void Trim() {
        while (used > 0 && words[used - 1] == 0) --used;
    }

    uint32_t words[kWords] = {};
    int used = 0;
};

// The quotient numerator / denominator scaled into [2^62, 2^64), as
// quotient * 2^-scale plus whether anything was left over.
struct ScaledQuotient {
    uint64_t quotient;
    int scale;
    bool inexact;
};

ScaledQuotient Divide(BigNumber numerator, BigNumber denominator) {
    const int scale = 63 - (numerator.BitLength() - denominator.BitLength());
    if (scale > 0) numerator.ShiftLeft(scale);
    if (scale < 0) denominator.ShiftLeft(-scale);
    // Restoring division, one quotient bit at a time from bit 63 down.
    BigNumber shifted = denominator;
    shifted.ShiftLeft(63);
    uint64_t quotient = 0;
    for (int bit = 63; bit >= 0; --bit) {
        if (numerator.Compare(shifted) >= 0) {
            numerator.Subtract(shifted);
            quotient |= uint64_t{1} << bit;
        }
        shifted.ShiftRightOne();
    }
    return {quotient, scale, !numerator.IsZero()};
}

constexpr uint64_t kInfinityBits = 0x7FF0000000000000ull;

// The double nearest to (quotient + a fraction that is non-zero when inexact)
// * 2^binaryExponent, ties to even; subnormals and overflow as IEEE 754 has them.
uint64_t RoundToDoubleBits(uint64_t quotient, bool inexact, int binaryExponent) {
    int bitLength = 0;
    for (uint64_t q = quotient; q; q >>= 1) ++bitLength;
    const int exponent = binaryExponent + bitLength - 1;  // of the leading bit
    const int kept = exponent >= -1022 ? 53 : exponent + 1075;
    if (kept < 0) return 0;
    const int dropped = bitLength - kept;  // at least 10: the quotient has 63 or 64 bits
    uint64_t mantissa = dropped >= 64 ? 0 : quotient >> dropped;
    const uint64_t rest = dropped >= 64 ? quotient : quotient & ((uint64_t{1} << dropped) - 1);
    const uint64_t half = uint64_t{1} << (dropped - 1);
    if (rest > half || (rest == half && (inexact || (mantissa & 1)))) ++mantissa;

    // A subnormal's bits are its mantissa; one rounded up to 2^52 is
    // correctly the smallest normal number.
    if (exponent < -1022) return mantissa;
    int biased = exponent + 1023;
    if (mantissa == uint64_t{1} << 53) {
        mantissa >>= 1;
        ++biased;
    }
    if (biased >= 2047) return kInfinityBits;
    return (static_cast<uint64_t>(biased) << 52) | (mantissa & ((uint64_t{1} << 52) - 1));
}

double FromBits(uint64_t bits) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Digits past this many significant ones only decide which way a tie goes:
// every halfway point between two doubles has fewer significant digits.
constexpr int kSignificantDigits = 780;

// Exactly representable decimal magnitudes: 10^309 is beyond the largest
// double, and anything below 10^-324 is less than half the smallest one.
constexpr long kHighestMagnitude = 308;
constexpr long kLowestMagnitude = -324;

}  // namespace

double ParseDecimalPrefix(const wchar_t* text) {
    if (!text) return 0.0;
    const wchar_t* p = text;
    while (IsCSpace(*p)) ++p;

    bool negative = false;
    if (*p == L'+' || *p == L'-') negative = (*p++ == L'-');

    // The significant digits (from the first non-zero one), and the decimal
    // exponent of the first of them.
    char digits[kSignificantDigits + 1];
    int count = 0;
    bool droppedNonZero = false;
    int mantissaDigits = 0;
    long magnitude = 0;
    long integerDigits = 0, leadingFractionZeros = 0;
    auto take = [&](wchar_t c) {
        if (count == 0 && c == L'0') return;
        if (count < kSignificantDigits)
            digits[count++] = static_cast<char>(c - L'0');
        else if (c != L'0')
            droppedNonZero = true;
    };
    for (; IsDigit(*p); ++p, ++mantissaDigits) {
        take(*p);
        if (count > 0) ++integerDigits;
    }
    if (*p == L'.') {
        for (++p; IsDigit(*p); ++p, ++mantissaDigits) {
            if (count == 0 && *p == L'0') ++leadingFractionZeros;
            take(*p);
        }
    }
    if (mantissaDigits == 0) return 0.0;
    magnitude = integerDigits > 0 ? integerDigits - 1 : -(leadingFractionZeros + 1);

    long exponent = 0;
    if (*p == L'e' || *p == L'E') {
        const wchar_t* q = p + 1;
        bool negativeExponent = false;
        if (*q == L'+' || *q == L'-') negativeExponent = (*q++ == L'-');
        for (; IsDigit(*q); ++q)
            if (exponent < 100000) exponent = exponent * 10 + (*q - L'0');
        if (negativeExponent) exponent = -exponent;
    }

    double value = 0.0;
    magnitude += exponent;
    if (count == 0 || magnitude < kLowestMagnitude) {
        value = 0.0;
    } else if (magnitude > kHighestMagnitude) {
        value = FromBits(kInfinityBits);
    } else {
        // A digit beyond the kept ones stands for all the non-zero ones dropped.
        if (droppedNonZero) digits[count++] = 1;
        BigNumber significand;
        for (int i = 0; i < count; ++i) significand.MultiplyAdd(10, static_cast<uint32_t>(digits[i]));
        // value = significand * 10^decimalExponent = significand * 5^d * 2^d
        const int decimalExponent = static_cast<int>(magnitude) - (count - 1);
        BigNumber denominator(1);
        if (decimalExponent >= 0)
            significand.MultiplyByPowerOfFive(decimalExponent);
        else
            denominator.MultiplyByPowerOfFive(-decimalExponent);
        const ScaledQuotient q = Divide(significand, denominator);
        value = FromBits(RoundToDoubleBits(q.quotient, q.inexact, decimalExponent - q.scale));
    }
    return negative ? -value : value;
}

void FormatSignedThreeDecimals(double value, const wchar_t* suffix, wchar_t* out, std::size_t capacity) {
    if (capacity == 0) return;
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t fraction = bits & ((uint64_t{1} << 52) - 1);

    char text[320];  // sign, 309 integer digits, point, three decimals
    std::size_t length = 0;
    if (biased == 0x7FF && fraction != 0) {
        const char* nan = negative ? "-nan" : "nan";
        for (; nan[length]; ++length) text[length] = nan[length];
    } else if (biased == 0x7FF) {
        const char* infinity = negative ? "-inf" : "+inf";
        for (; infinity[length]; ++length) text[length] = infinity[length];
    } else {
        // |value| = mantissa * 2^binaryExponent exactly.
        const uint64_t mantissa = biased ? fraction | (uint64_t{1} << 52) : fraction;
        const int binaryExponent = (biased ? biased : 1) - 1075;

        // The integer part, and the thousandths rounded to nearest, ties to even.
        BigNumber integer;
        unsigned thousandths = 0;
        if (binaryExponent >= 0) {
            integer = BigNumber(mantissa);
            integer.ShiftLeft(binaryExponent);
        } else {
            const uint64_t scaled = mantissa * 1000;  // below 2^63
            const int shift = -binaryExponent;
            uint64_t rounded = 0;
            // Beyond 63 bits of shift the value is below half a thousandth.
            if (shift < 64) {
                rounded = scaled >> shift;
                const uint64_t rest = scaled & ((uint64_t{1} << shift) - 1);
                const uint64_t half = uint64_t{1} << (shift - 1);
                if (rest > half || (rest == half && (rounded & 1))) ++rounded;
            }
            integer = BigNumber(rounded / 1000);
            thousandths = static_cast<unsigned>(rounded % 1000);
        }

        text[length++] = negative ? '-' : '+';
        char reversed[320];
        std::size_t integerLength = 0;
        do {
            uint32_t chunk = integer.DivideSmall(1000000000u);
            for (int i = 0; i < 9 && (chunk || !integer.IsZero() || i == 0); ++i, chunk /= 10)
                reversed[integerLength++] = static_cast<char>('0' + chunk % 10);
        } while (!integer.IsZero());
        while (integerLength) text[length++] = reversed[--integerLength];
        text[length++] = '.';
        text[length++] = static_cast<char>('0' + thousandths / 100);
        text[length++] = static_cast<char>('0' + thousandths / 10 % 10);
        text[length++] = static_cast<char>('0' + thousandths % 10);
    }

    std::size_t written = 0;
    for (std::size_t i = 0; i < length && written + 1 < capacity; ++i) out[written++] = static_cast<wchar_t>(text[i]);
    for (const wchar_t* s = suffix; s && *s && written + 1 < capacity; ++s) out[written++] = *s;
    out[written] = L'\0';
}

}  // namespace gainlet
