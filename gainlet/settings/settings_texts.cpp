#include "settings/settings_texts.h"

#include <cmath>
#include <cstdio>
#include <cwchar>

#include "settings/c_locale_number.h"

namespace gainlet {
namespace {

// Integers only: the "C" locale question does not arise.
template <std::size_t N, class... Args>
void FormatInto(wchar_t (&out)[N], const wchar_t* format, Args... args) {
    const int written = _snwprintf(out, N - 1, format, args...);
    out[(written < 0) ? N - 1 : static_cast<std::size_t>(written)] = L'\0';
}

constexpr float kSmallestShownPeak = 4.656612873077393e-10f;  // 2^-31

}  // namespace

void FormatPercentText(float gainDb, double dbToExponent, wchar_t (&out)[kSettingsTextCapacity]) {
    const double factor = std::pow(10.0, static_cast<double>(gainDb) * dbToExponent);
    const unsigned hundredThousandths = static_cast<unsigned>(factor * 100000.0 + 0.5);
    FormatInto(out, L"(%u.%03u%%)", hundredThousandths / 1000, hundredThousandths % 1000);
}

void FormatPeakText(float peak, double exponentToDb, wchar_t (&out)[kSettingsTextCapacity]) {
    if (!(peak >= kSmallestShownPeak)) {
        FormatInto(out, L"-INF");
        return;
    }
    const float exponent = static_cast<float>(std::log10(static_cast<double>(peak)));
    FormatSignedThreeDecimals(static_cast<double>(exponent) * exponentToDb, L"dB", out, kSettingsTextCapacity);
}

void FormatAudioFormatText(DWORD samplesPerSec, DWORD channels, DWORD bitsPerSample, BOOL isFloat,
                           wchar_t (&out)[kSettingsTextCapacity]) {
    if (samplesPerSec == 0 || channels == 0 || bitsPerSample == 0) {
        FormatInto(out, L"----");
        return;
    }
    FormatInto(out, L"%luHz/%ls%lu/%luch", static_cast<unsigned long>(samplesPerSec), isFloat ? L"Float" : L"Int",
               static_cast<unsigned long>(bitsPerSample), static_cast<unsigned long>(channels));
}

}  // namespace gainlet
