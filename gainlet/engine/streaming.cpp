// Streaming: the held input buffer, output runs through the sample
// processing, time stamps, and the methods the object has no use for.
#include "engine/dsp_object.h"

#include <mediaerr.h>

#include "engine/media_layouts.h"
#include "engine/process_samples.h"

namespace gainlet {
namespace {

constexpr REFERENCE_TIME kUnitsPerSecond = 10000000;  // 100 ns

// The play time of byteCount bytes, rounded to nearest as MulDiv rounds. In
// 64 bits, because MulDiv's 32-bit result overflows to -1 once a buffer
// holds more than about 214 seconds (and for rates above 2^31 bytes/s).
REFERENCE_TIME PlayTime(DWORD byteCount, DWORD averageBytesPerSecond) {
    const ULONGLONG scaled = static_cast<ULONGLONG>(byteCount) * kUnitsPerSecond;
    return static_cast<REFERENCE_TIME>((scaled + averageBytesPerSecond / 2) / averageBytesPerSecond);
}

}  // namespace

STDMETHODIMP CGainlet::GetStreamCount(DWORD* inputStreams, DWORD* outputStreams) {
    if (!inputStreams || !outputStreams) return E_POINTER;
    *inputStreams = 1;
    *outputStreams = 1;
    return S_OK;
}

STDMETHODIMP CGainlet::GetInputStreamInfo(DWORD index, DWORD* flags) {
    if (!flags) return E_POINTER;
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    *flags = 0;
    return S_OK;
}

STDMETHODIMP CGainlet::GetOutputStreamInfo(DWORD index, DWORD* flags) { return GetInputStreamInfo(index, flags); }

STDMETHODIMP CGainlet::GetInputMaxLatency(DWORD, REFERENCE_TIME*) { return E_NOTIMPL; }

STDMETHODIMP CGainlet::SetInputMaxLatency(DWORD, REFERENCE_TIME) { return E_NOTIMPL; }

STDMETHODIMP CGainlet::Flush() { return FreeStreamingResources(); }

STDMETHODIMP CGainlet::Discontinuity(DWORD) { return S_OK; }

STDMETHODIMP CGainlet::AllocateStreamingResources() { return S_OK; }

STDMETHODIMP CGainlet::FreeStreamingResources() {
    // Released only once the object is empty: Release is a call out to the
    // host, which may call straight back in.
    Microsoft::WRL::ComPtr<IMediaBuffer> released;
    released.Swap(heldBuffer);
    heldLength = 0;
    heldData = nullptr;
    heldTimeValid = false;
    heldTime = 0;
    ++stateVersion;
    return S_OK;
}

STDMETHODIMP CGainlet::GetInputStatus(DWORD index, DWORD* flags) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!flags) return E_POINTER;
    *flags = heldBuffer ? 0 : DMO_INPUT_STATUSF_ACCEPT_DATA;
    return S_OK;
}

STDMETHODIMP CGainlet::ProcessInput(DWORD index, IMediaBuffer* buffer, DWORD flags, REFERENCE_TIME timestamp,
                                    REFERENCE_TIME) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!buffer) return E_POINTER;
    if (!IsSet(*inputType)) return DMO_E_TYPE_NOT_SET;

    BYTE* data = nullptr;
    DWORD length = 0;
    const HRESULT hr = buffer->GetBufferAndLength(&data, &length);
    if (FAILED(hr)) return hr;
    if (!data && length) return E_POINTER;

    // A buffer still held is replaced: callers are meant to wait for
    // DMO_INPUT_STATUSF_ACCEPT_DATA, and one that does not loses the rest.
    // It is released only once the new one is in place, for its Release may
    // call back in.
    Microsoft::WRL::ComPtr<IMediaBuffer> replaced;
    replaced.Swap(heldBuffer);
    heldBuffer = buffer;
    heldData = data;
    heldLength = length;
    heldTimeValid = (flags & DMO_INPUT_DATA_BUFFERF_TIME) != 0;
    if (heldTimeValid) heldTime = timestamp;
    ++stateVersion;
    return S_OK;
}

HRESULT CGainlet::CheckOutputRun(IMediaBuffer* destination, DWORD* elementStatus) {
    if (!IsSet(*outputType)) return DMO_E_TYPE_NOT_SET;
    if (!heldBuffer) {
        if (destination) destination->SetLength(0);
        *elementStatus = 0;
        return S_FALSE;
    }
    if (!destination) {
        *elementStatus = 0;
        return S_FALSE;
    }
    // The held bytes can only be read with an input format; they wait for one.
    if (!IsSet(*inputType)) return DMO_E_TYPE_NOT_SET;
    return S_OK;
}

STDMETHODIMP CGainlet::ProcessOutput(DWORD, DWORD bufferCount, DMO_OUTPUT_DATA_BUFFER* buffers, DWORD* status) {
    if (!buffers) return E_POINTER;
    if (bufferCount != 1) return E_INVALIDARG;
    if (!IsSet(*outputType)) return DMO_E_TYPE_NOT_SET;
    if (status) *status = 0;

    DMO_OUTPUT_DATA_BUFFER& output = buffers[0];
    IMediaBuffer* const destination = output.pBuffer;
    HRESULT hr = CheckOutputRun(destination, &output.dwStatus);
    if (hr != S_OK) return hr;

    BYTE* memory = nullptr;
    DWORD unusedLength = 0;
    DWORD maxLength = 0;
    hr = destination->GetBufferAndLength(&memory, &unusedLength);
    if (FAILED(hr)) return hr;
    hr = destination->GetMaxLength(&maxLength);
    if (FAILED(hr)) return hr;
    if (!memory && maxLength) return E_POINTER;

    // The host's buffer may have called back in and cleared a type, changed
    // the format or replaced the held input: the object's state is read only
    // from here on.
    hr = CheckOutputRun(destination, &output.dwStatus);
    if (hr != S_OK) return hr;
    const DWORD version = stateVersion;
    const bool usesUpHeldData = heldLength <= maxLength;
    DWORD count = usesUpHeldData ? heldLength : maxLength;
    ProcessSamples(enabled.load(std::memory_order_relaxed), inputFormat, memory, heldData, &count);
    const DWORD bytesPerSecond = reinterpret_cast<const WAVEFORMATEX*>(outputType->pbFormat)->nAvgBytesPerSec;
    hr = destination->SetLength(count);
    if (FAILED(hr)) return hr;

    // So may SetLength. If it changed anything this run read, the bytes
    // written no longer stand for what the object holds: the run fails and
    // leaves the object as the host made it.
    if (stateVersion != version) return IsSet(*inputType) && IsSet(*outputType) ? kChangedState : DMO_E_TYPE_NOT_SET;

    output.dwStatus = 0;
    if (heldTimeValid) {
        const REFERENCE_TIME length = PlayTime(count, bytesPerSecond);
        output.dwStatus = DMO_OUTPUT_DATA_BUFFERF_TIME | DMO_OUTPUT_DATA_BUFFERF_TIMELENGTH;
        output.rtTimestamp = heldTime;
        output.rtTimelength = length;
        heldTime += length;
    }

    // A trailing partial frame that processing left behind goes with the buffer.
    if (usesUpHeldData) return FreeStreamingResources();

    output.dwStatus |= DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE;
    heldData += count;
    heldLength -= count;
    ++stateVersion;
    return S_OK;
}

STDMETHODIMP CGainlet::Lock(LONG) { return S_OK; }

}  // namespace gainlet
