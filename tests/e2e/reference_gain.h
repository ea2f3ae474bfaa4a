// The expected output of the plug-in for a whole WAV stream, computed here
// from the rules of the arithmetic, independently of the engine's code.
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <cstdint>
#include <vector>

namespace e2e {

// The extensible format's subformats {00000001-...} and {00000003-...}.
const GUID kSubformatPcm = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
const GUID kSubformatFloat = {0x00000003, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

struct ReferenceResult {
    std::vector<BYTE> output;
    float peak = 0;
};

// Plays data through the rules in input chunks of chunkBytes, as the host
// sends them: each chunk's trailing partial frame is dropped when enabled.
ReferenceResult ReferencePlay(const std::vector<BYTE>& format, const std::vector<BYTE>& data, float gainDb,
                              size_t chunkBytes, bool enabled);

}  // namespace e2e
