// Format blocks, byte packing and a one-call runner shared by the engine tests.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <uuids.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace gainlet {
namespace testing_support {

// A plain WAVEFORMATEX (tag 1 or 3) or, with tag 0xFFFE, the extensible block.
inline WAVEFORMATEXTENSIBLE MakeFormat(WORD tag, WORD channels, WORD bits, WORD validBits = 0,
                                       const GUID& subFormat = MEDIASUBTYPE_PCM) {
    WAVEFORMATEXTENSIBLE f{};
    f.Format.wFormatTag = tag;
    f.Format.nChannels = channels;
    f.Format.nSamplesPerSec = 48000;
    f.Format.wBitsPerSample = bits;
    f.Format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.Format.nAvgBytesPerSec = f.Format.nSamplesPerSec * f.Format.nBlockAlign;
    if (tag == WAVE_FORMAT_EXTENSIBLE) {
        f.Format.cbSize = 22;
        f.Samples.wValidBitsPerSample = validBits ? validBits : bits;
        f.dwChannelMask = 0;
        f.SubFormat = subFormat;
    }
    return f;
}

template <typename T>
std::vector<uint8_t> ToBytes(const std::vector<T>& values) {
    std::vector<uint8_t> bytes(values.size() * sizeof(T));
    if (!bytes.empty()) std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

template <typename T>
std::vector<T> FromBytes(const std::vector<uint8_t>& bytes) {
    std::vector<T> values(bytes.size() / sizeof(T));
    if (!values.empty()) std::memcpy(values.data(), bytes.data(), values.size() * sizeof(T));
    return values;
}

}  // namespace testing_support
}  // namespace gainlet
