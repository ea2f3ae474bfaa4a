// Decimal numbers read and written as the "C" locale does, whatever locale
// the host process has chosen: the page's texts always use a decimal point.
#pragma once

#include <cstddef>

namespace gainlet {

// The value of the longest prefix of text that forms a decimal number
// (leading white space skipped; optional sign, point and exponent), as the
// standard library's wide-string conversion gives it; 0 when there is none.
// Magnitudes beyond double range give an infinity, tiny ones 0.
double ParseDecimalPrefix(const wchar_t* text);

// value with three decimals and a sign always shown, as "%+0.3f" formats it
// ("+6.000", "-0.131"), followed by suffix. Truncated to fit capacity.
void FormatSignedThreeDecimals(double value, const wchar_t* suffix, wchar_t* out, std::size_t capacity);

}  // namespace gainlet
