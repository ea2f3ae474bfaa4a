// Format blocks, byte packing and a one-call runner shared by the engine tests.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <mmreg.h>
#include <uuids.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/process_samples.h"
#include "wave_format.h"

namespace gainlet {
namespace testing_support {

// The shared builder at the engine tests' rate, in their argument order.
inline WAVEFORMATEXTENSIBLE MakeFormat(WORD tag, WORD channels, WORD bits, WORD validBits = 0,
                                       const GUID& subFormat = MEDIASUBTYPE_PCM) {
    return test::WaveBlock({tag, channels, 48000, bits, validBits, subFormat});
}

// The description SetInputType keeps for an accepted format.
inline SampleFormat Decoded(const WAVEFORMATEXTENSIBLE& format) {
    SampleFormat decoded{};
    EXPECT_TRUE(DecodeSampleFormat(reinterpret_cast<const BYTE*>(&format), sizeof format, &decoded));
    return decoded;
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
