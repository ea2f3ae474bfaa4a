// The expected output of the plug-in for a whole WAV stream, computed here
// from the rules of the arithmetic, independently of the engine's code.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <uuids.h>

#include <cstdint>
#include <vector>

namespace e2e {

struct ReferenceResult {
    std::vector<BYTE> output;
    float peak = 0;
};

// Plays data through the rules in input chunks of chunkBytes, as the host
// sends them: each chunk's trailing partial frame is dropped when enabled.
ReferenceResult ReferencePlay(const std::vector<BYTE>& format, const std::vector<BYTE>& data, float gainDb,
                              size_t chunkBytes, bool enabled);

}  // namespace e2e
