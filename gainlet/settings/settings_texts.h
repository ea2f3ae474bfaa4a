// The texts the settings dialog shows, each formatted into a fixed buffer
// (a timer tick allocates nothing).
#pragma once

#include <windows.h>

#include <cstddef>

namespace gainlet {

constexpr std::size_t kSettingsTextCapacity = 64;

// "(98.498%)": the linear factor of gainDb as a percentage with three
// decimals; dbToExponent is the engine's log10(2) / 6.
void FormatPercentText(float gainDb, double dbToExponent, wchar_t (&out)[kSettingsTextCapacity]);

// "-6.000dB", or "-INF" below 2^-31 (and for a value that does not compare);
// exponentToDb is the engine's 6 / log10(2).
void FormatPeakText(float peak, double exponentToDb, wchar_t (&out)[kSettingsTextCapacity]);

// "44100Hz/Int16/2ch", "48000Hz/Float32/2ch", or "----" while the rate,
// the channel count or the sample size is unknown.
void FormatAudioFormatText(DWORD samplesPerSec, DWORD channels, DWORD bitsPerSample, BOOL isFloat,
                           wchar_t (&out)[kSettingsTextCapacity]);

}  // namespace gainlet
