// An independent model of the sample arithmetic: it rounds and saturates with
// integer operations on the exact binary value of each scaled sample, in the
// left-justified 32-bit domain, instead of the floating-point steps of the
// engine.
#pragma once

#include <cstdint>
#include <vector>

namespace gainlet {
namespace reference {

// v rounded toward zero (round == false) or to the nearest integer with halves
// away from zero, then clamped to [lo, hi]. NaN gives 0; infinities the bound
// of their sign.
int64_t Quantise(double v, bool round, int64_t lo, int64_t hi);

struct Result {
    std::vector<uint8_t> bytes;
    float runPeak = 0.0f;
};

Result Process8(const std::vector<uint8_t>& in, double gain);
Result Process16(const std::vector<int16_t>& in, double gain);
// 3-byte packed little-endian samples; validBits 16, 20 or 24.
Result Process24(const std::vector<uint8_t>& packed, unsigned validBits, double gain);
Result Process32(const std::vector<int32_t>& in, unsigned validBits, double gain);
Result ProcessFloat(const std::vector<float>& in, double gain);

}  // namespace reference
}  // namespace gainlet
