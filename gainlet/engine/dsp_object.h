// CGainlet: the DSP object the media player inserts into its audio path. One
// input and one output stream of the same PCM or float format; the samples
// are scaled by the process-wide gain on their way through.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <ocidl.h>
#include <mediaobj.h>
#include <wrl/client.h>

#include <atomic>

#include "base/com_object.h"
#include "common/owned_media_type.h"
#include "engine/process_samples.h"
#include "gainlet.h"
#include "wmp_plugin.h"

namespace gainlet {

// winerror.h's E_CHANGED_STATE, which MinGW's headers lack: a call out to the
// host changed the object's state in a way that invalidates the operation.
constexpr HRESULT kChangedState = static_cast<HRESULT>(0x8000000CL);

class CGainlet final : public ComObject<CGainlet, IGainlet, IMediaObject, IWMPPluginEnable, ISpecifyPropertyPages> {
public:
    // Tests a proposed type against the accepted formats and, when partner is
    // set, against the partner's format. S_OK or DMO_E_TYPE_NOT_ACCEPTED; no
    // byte beyond either type's cbFormat is read.
    static HRESULT VerifyMediaType(const DMO_MEDIA_TYPE* proposed, const DMO_MEDIA_TYPE* partner);

    // IGainlet
    STDMETHODIMP GetGain(float* gainDb) override;
    STDMETHODIMP SetGain(float gainDb) override;
    STDMETHODIMP GetPeak(float* peak, BOOL* processed, BOOL reset) override;
    STDMETHODIMP GetFormatInfo(DWORD* samplesPerSec, DWORD* channels, DWORD* bitsPerSample, BOOL* isFloat) override;

    // IMediaObject
    STDMETHODIMP GetStreamCount(DWORD* inputStreams, DWORD* outputStreams) override;
    STDMETHODIMP GetInputStreamInfo(DWORD index, DWORD* flags) override;
    STDMETHODIMP GetOutputStreamInfo(DWORD index, DWORD* flags) override;
    STDMETHODIMP GetInputType(DWORD index, DWORD typeIndex, DMO_MEDIA_TYPE* type) override;
    STDMETHODIMP GetOutputType(DWORD index, DWORD typeIndex, DMO_MEDIA_TYPE* type) override;
    STDMETHODIMP SetInputType(DWORD index, const DMO_MEDIA_TYPE* type, DWORD flags) override;
    STDMETHODIMP SetOutputType(DWORD index, const DMO_MEDIA_TYPE* type, DWORD flags) override;
    STDMETHODIMP GetInputCurrentType(DWORD index, DMO_MEDIA_TYPE* type) override;
    STDMETHODIMP GetOutputCurrentType(DWORD index, DMO_MEDIA_TYPE* type) override;
    STDMETHODIMP GetInputSizeInfo(DWORD index, DWORD* size, DWORD* maxLookahead, DWORD* alignment) override;
    STDMETHODIMP GetOutputSizeInfo(DWORD index, DWORD* size, DWORD* alignment) override;
    STDMETHODIMP GetInputMaxLatency(DWORD index, REFERENCE_TIME* latency) override;
    STDMETHODIMP SetInputMaxLatency(DWORD index, REFERENCE_TIME latency) override;
    STDMETHODIMP Flush() override;
    STDMETHODIMP Discontinuity(DWORD index) override;
    STDMETHODIMP AllocateStreamingResources() override;
    STDMETHODIMP FreeStreamingResources() override;
    STDMETHODIMP GetInputStatus(DWORD index, DWORD* flags) override;
    STDMETHODIMP ProcessInput(DWORD index, IMediaBuffer* buffer, DWORD flags, REFERENCE_TIME timestamp,
                              REFERENCE_TIME timelength) override;
    STDMETHODIMP ProcessOutput(DWORD flags, DWORD bufferCount, DMO_OUTPUT_DATA_BUFFER* buffers, DWORD* status) override;
    STDMETHODIMP Lock(LONG lock) override;

    // IWMPPluginEnable
    STDMETHODIMP SetEnable(BOOL enable) override;
    STDMETHODIMP GetEnable(BOOL* enable) override;

    // ISpecifyPropertyPages
    STDMETHODIMP GetPages(CAUUID* pages) override;

private:
    friend ComObject;
    CGainlet();
    ~CGainlet();

    // Releases the held input buffer before the object goes away.
    void FinalRelease();

    static bool IsSet(const DMO_MEDIA_TYPE& type);
    void ResetMediaType(OwnedMediaType* type);
    static HRESULT OfferType(DWORD index, DWORD typeIndex, const DMO_MEDIA_TYPE& other, DMO_MEDIA_TYPE* type);
    // The common part of SetInputType and SetOutputType; *stored tells
    // whether record now holds a copy of type, and *replaced receives what
    // it held before, for the caller to free last.
    HRESULT NegotiateType(DWORD index, const DMO_MEDIA_TYPE* type, DWORD flags, OwnedMediaType* record,
                          const DMO_MEDIA_TYPE& partner, OwnedMediaType* replaced, bool* stored);
    static HRESULT ReportCurrentType(DWORD index, const DMO_MEDIA_TYPE& record, DMO_MEDIA_TYPE* type);
    static HRESULT ReportSizeInfo(const DMO_MEDIA_TYPE& record, DWORD* size, DWORD* alignment);
    // Whether an output run into destination can go ahead with the state as
    // it is now; S_FALSE, with the element reported empty, when there is
    // nothing to produce.
    HRESULT CheckOutputRun(IMediaBuffer* destination, DWORD* elementStatus);

    OwnedMediaType inputType;
    SampleFormat inputFormat{};  // inputType decoded, when it is set
    OwnedMediaType outputType;
    Microsoft::WRL::ComPtr<IMediaBuffer> heldBuffer;
    BYTE* heldData = nullptr;  // first unprocessed byte in heldBuffer
    DWORD heldLength = 0;
    bool heldTimeValid = false;
    REFERENCE_TIME heldTime = 0;  // stamp of the byte at heldData
    // Moves on with every change to either type or to the held input, so that
    // a run can tell whether the host changed them while it had control.
    DWORD stateVersion = 0;
    // Written by the player from any thread while another may be streaming.
    std::atomic<BOOL> enabled{TRUE};
};

}  // namespace gainlet
