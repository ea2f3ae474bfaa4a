// The one wave-format builder of the tests: a few numbers in, the block a
// host would hand over out, so every test program builds its formats alike.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <uuids.h>

#include <string>
#include <vector>

namespace gainlet::test {

struct WaveFormat {
    WORD tag = WAVE_FORMAT_PCM;  // 1, 3 or 0xFFFE
    WORD channels = 2;
    DWORD rate = 44100;
    WORD bits = 16;
    WORD validBits = 0;                 // extensible only; 0 means "same as bits"
    GUID subFormat = MEDIASUBTYPE_PCM;  // extensible only: a format tag's subtype
    WORD blockAlign = 0;                // 0: channels * bits / 8
    DWORD avgBytes = 0;                 // 0: rate * blockAlign
};

// The plain block for tags 1 and 3, the extensible one for 0xFFFE; the
// channel mask names the usual speakers for the count (the engine reads none).
inline WAVEFORMATEXTENSIBLE WaveBlock(const WaveFormat& f) {
    WAVEFORMATEXTENSIBLE w{};
    w.Format.wFormatTag = f.tag;
    w.Format.nChannels = f.channels;
    w.Format.nSamplesPerSec = f.rate;
    w.Format.wBitsPerSample = f.bits;
    w.Format.nBlockAlign = f.blockAlign ? f.blockAlign : static_cast<WORD>(f.channels * f.bits / 8);
    w.Format.nAvgBytesPerSec = f.avgBytes ? f.avgBytes : f.rate * w.Format.nBlockAlign;
    if (f.tag == WAVE_FORMAT_EXTENSIBLE) {
        w.Format.cbSize = sizeof(WAVEFORMATEXTENSIBLE) - sizeof(WAVEFORMATEX);
        w.Samples.wValidBitsPerSample = f.validBits ? f.validBits : f.bits;
        w.dwChannelMask = f.channels == 2 ? 0x3 : f.channels == 6 ? 0x3F : SPEAKER_FRONT_CENTER;  // stereo, 5.1
        w.SubFormat = f.subFormat;
    }
    return w;
}

// How many bytes of WaveBlock() a host passes: the plain tags stop at cbSize.
inline size_t WaveBlockSize(const WaveFormat& f) {
    return f.tag == WAVE_FORMAT_EXTENSIBLE ? sizeof(WAVEFORMATEXTENSIBLE) : sizeof(WAVEFORMATEX);
}

inline std::vector<BYTE> WaveBytes(const WaveFormat& f) {
    const WAVEFORMATEXTENSIBLE w = WaveBlock(f);
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&w);
    return std::vector<BYTE>(bytes, bytes + WaveBlockSize(f));
}

// Every layout the engine accepts, once: the plain tags' containers, and the
// extensible tag's containers with each of their valid-bit counts. An
// extensible row is accepted with the PCM or the float subtype alike; the
// float subtype means float samples only in a 32-bit container.
inline const std::vector<WaveFormat>& AcceptedLayouts() {
    constexpr WORD kExtensible = WAVE_FORMAT_EXTENSIBLE;
    static const std::vector<WaveFormat> layouts = {
        {WAVE_FORMAT_PCM, 2, 44100, 8},  {WAVE_FORMAT_PCM, 2, 44100, 16}, {WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32},
        {kExtensible, 2, 44100, 8, 8},   {kExtensible, 2, 44100, 16, 16}, {kExtensible, 2, 44100, 24, 16},
        {kExtensible, 2, 44100, 24, 20}, {kExtensible, 2, 44100, 24, 24}, {kExtensible, 2, 44100, 32, 16},
        {kExtensible, 2, 44100, 32, 20}, {kExtensible, 2, 44100, 32, 24}, {kExtensible, 2, 44100, 32, 32},
    };
    return layouts;
}

// The valid-bit counts the extensible tag allows in a container of bits.
inline std::vector<WORD> AcceptedValidBits(WORD bits) {
    std::vector<WORD> valid;
    for (const WaveFormat& f : AcceptedLayouts())
        if (f.tag == WAVE_FORMAT_EXTENSIBLE && f.bits == bits) valid.push_back(f.validBits);
    return valid;
}

// "PCM 16", "float 32", "extensible PCM 24/20", "extensible float 32/32",
// then the channels: for the traces of tests that go through many formats.
inline std::string LayoutName(const WaveFormat& f) {
    std::string name = std::to_string(f.bits);
    if (f.tag == WAVE_FORMAT_PCM) name = "PCM " + name;
    if (f.tag == WAVE_FORMAT_IEEE_FLOAT) name = "float " + name;
    if (f.tag == WAVE_FORMAT_EXTENSIBLE) {
        const char* subtype = IsEqualGUID(f.subFormat, MEDIASUBTYPE_IEEE_FLOAT) ? "float " : "PCM ";
        name = "extensible " + (subtype + name) + "/" + std::to_string(f.validBits);
    }
    if (f.channels == 1) return name + " mono";
    if (f.channels == 2) return name + " stereo";
    return name + ", " + std::to_string(f.channels) + " channels";
}

}  // namespace gainlet::test
