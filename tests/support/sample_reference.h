// An independent model of the sample arithmetic: it rounds and saturates with
// integer operations on the exact binary value of each scaled sample, in the
// left-justified 32-bit domain, instead of the floating-point steps of the
// engine. The engine's tests hold single runs against it; the end-to-end
// tests whole streams played by a host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gainlet {
namespace reference {

// v rounded toward zero (round == false) or to the nearest integer with halves
// away from zero, then clamped to [lo, hi]. NaN gives 0; infinities the bound
// of their sign.
int64_t Quantise(double v, bool round, int64_t lo, int64_t hi);

// The factor of a gain in decibels: 2^(dB/6), computed as the plug-in
// computes it, so that the same dB value gives the same bits.
double LinearGain(float gainDb);

struct Result {
    std::vector<uint8_t> bytes;
    float runPeak = 0.0f;  // for a stream, the largest of its runs' peaks
};

Result Process8(const std::vector<uint8_t>& in, double gain);
Result Process16(const std::vector<int16_t>& in, double gain);
// 3-byte packed little-endian samples; validBits 16, 20 or 24.
Result Process24(const std::vector<uint8_t>& packed, unsigned validBits, double gain);
Result Process32(const std::vector<int32_t>& in, unsigned validBits, double gain);
Result ProcessFloat(const std::vector<float>& in, double gain);

// A whole stream of the wave format block `format` (WAVEFORMATEX or the
// extensible block) played through the rules in input chunks of chunkBytes,
// as a host sends them: each chunk's trailing partial frame is dropped when
// enabled; disabled, the data comes out as it went in, with no peak.
Result PlayStream(const std::vector<uint8_t>& format, const std::vector<uint8_t>& data, float gainDb, size_t chunkBytes,
                  bool enabled);

}  // namespace reference
}  // namespace gainlet
