// The per-sample work of the plug-in: gain, rounding, saturation and peak.
#pragma once

#include <windows.h>
#include <mmreg.h>

namespace gainlet {

// How samples sit in memory; it decides the arithmetic.
enum class SampleLayout : BYTE { kUnsigned8, kSigned16, kPacked24, kSigned32, kFloat32 };

// An accepted input format, decoded once when the type is set, so that
// nothing after negotiation reads a format block again.
struct SampleFormat {
    SampleLayout layout;
    WORD bytesPerSample;  // 1 to 4, packed one after another in a frame
    WORD validBits;       // the container's, or the extensible block's valid bits
    bool isFloat;         // float samples; an extensible float below 32 bits still takes an integer layout
    WORD channels;
    WORD blockAlign;
    DWORD samplesPerSec;

    // What the settings page shows: the valid bits of integer samples, the
    // container of floats.
    WORD ShownBits() const { return isFloat ? bytesPerSample * 8 : validBits; }
};

// The accepted formats: true, with *out filled, for a format block of size
// bytes that the object takes; no byte past size is read.
bool DecodeSampleFormat(const BYTE* block, ULONG size, SampleFormat* out);

// Copies one run of interleaved samples from source to destination,
// multiplied by the shared gain (whole frames only), and feeds the shared
// meter once. With enabled == FALSE the bytes are copied unchanged.
// count: in, bytes that may be consumed and produced; out, bytes written.
void ProcessSamples(BOOL enabled, const SampleFormat& format, BYTE* destination, const BYTE* source, DWORD* count);

}  // namespace gainlet
