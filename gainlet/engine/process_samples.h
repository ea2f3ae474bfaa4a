// The per-sample work of the plug-in: gain, rounding, saturation and peak.
#pragma once

#include <windows.h>
#include <mmreg.h>

namespace gainlet {

// Copies one run of interleaved samples from source to destination,
// multiplied by the shared gain (whole frames only), and feeds the shared
// meter once. With enabled == FALSE the bytes are copied unchanged.
// count: in, bytes that may be consumed and produced; out, bytes written.
// E_FAIL (count 0, nothing written) for an unsupported sample layout.
HRESULT ProcessSamples(BOOL enabled, const WAVEFORMATEX* format, BYTE* destination, const BYTE* source, DWORD* count);

}  // namespace gainlet
