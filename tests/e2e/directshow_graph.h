// A WAV file played through a DirectShow graph of the platform's own filters
// with a DMO in the middle, as a DirectShow-based player hosts an effect.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct GraphCapture {
    std::vector<BYTE> format;  // format block of the media type the DMO's output was connected with
    std::vector<BYTE> data;    // every byte that reached the renderer, in order
};

// File Source (Async) -> WAVE Parser -> DMO Wrapper holding dmo -> Sample
// Grabber -> Null Renderer, connected pin to pin so that nothing else slips
// in, run without a clock until the graph reports completion. The calling
// thread must be in a COM apartment. Failures are gtest fatal failures: call
// it under ASSERT_NO_FATAL_FAILURE.
void PlayThroughDmo(const std::wstring& wavPath, const CLSID& dmo, GraphCapture* capture);

}  // namespace e2e
