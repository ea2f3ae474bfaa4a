// The one wave-format builder of the tests: a few numbers in, the block a
// host would hand over out, so every test program builds its formats alike.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <uuids.h>

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

}  // namespace gainlet::test
