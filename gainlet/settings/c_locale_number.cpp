#include "settings/c_locale_number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace gainlet {
namespace {

bool IsCSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

double ParseDecimalPrefix(const wchar_t* text) {
    if (!text) return 0.0;
    const wchar_t* p = text;
    while (IsCSpace(*p)) ++p;

    bool negative = false;
    if (*p == L'+' || *p == L'-') negative = (*p++ == L'-');

    // The number's characters, narrowed, without the sign: std::from_chars
    // takes exactly this grammar and never consults a locale.
    std::string number;
    int mantissaDigits = 0;
    bool seenNonZero = false;
    long magnitude = 0;  // decimal exponent of the first significant digit
    int integerSignificant = 0;
    for (; IsDigit(*p); ++p, ++mantissaDigits) {
        number += static_cast<char>(*p);
        if (seenNonZero || *p != L'0') {
            seenNonZero = true;
            magnitude = integerSignificant++;
        }
    }
    if (*p == L'.') {
        number += '.';
        long leadingZeros = 0;
        for (++p; IsDigit(*p); ++p, ++mantissaDigits) {
            number += static_cast<char>(*p);
            if (seenNonZero) continue;
            if (*p == L'0') {
                ++leadingZeros;
            } else {
                seenNonZero = true;
                magnitude = -(leadingZeros + 1);
            }
        }
    }
    if (mantissaDigits == 0) return 0.0;

    long exponent = 0;
    if (*p == L'e' || *p == L'E') {
        const wchar_t* q = p + 1;
        bool negativeExponent = false;
        if (*q == L'+' || *q == L'-') negativeExponent = (*q++ == L'-');
        if (IsDigit(*q)) {
            number += 'e';
            if (negativeExponent) number += '-';
            for (; IsDigit(*q); ++q) {
                number += static_cast<char>(*q);
                if (exponent < 100000) exponent = exponent * 10 + (*q - L'0');
            }
            if (negativeExponent) exponent = -exponent;
        }
    }

    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value);
    if (result.ec == std::errc::result_out_of_range) {
        // Out of range says nothing about the direction: the position of the
        // first significant digit does.
        value = (seenNonZero && magnitude + exponent > 0) ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

void FormatSignedThreeDecimals(double value, const wchar_t* suffix, wchar_t* out, std::size_t capacity) {
    if (capacity == 0) return;
    char digits[400];  // the widest double in fixed notation has 309 integer digits
    std::size_t length = 0;
    if (!std::signbit(value) && !std::isnan(value)) digits[length++] = '+';
    const auto result = std::to_chars(digits + length, digits + sizeof digits, value, std::chars_format::fixed, 3);
    length = (result.ec == std::errc()) ? static_cast<std::size_t>(result.ptr - digits) : 0;

    std::size_t written = 0;
    for (std::size_t i = 0; i < length && written + 1 < capacity; ++i) out[written++] = static_cast<wchar_t>(digits[i]);
    for (const wchar_t* s = suffix; s && *s && written + 1 < capacity; ++s) out[written++] = *s;
    out[written] = L'\0';
}

}  // namespace gainlet
