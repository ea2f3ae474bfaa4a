// Media type negotiation: the one type offered per side, the accepted
// formats, and the rule that both sides carry the same format.
#include "engine/dsp_object.h"

#include <mediaerr.h>
#include <mmreg.h>
#include <uuids.h>

#include <cstring>
#include <utility>

#include "base/shared_gain_state.h"
#include "base/wave_subformats.h"
#include "engine/media_layouts.h"

namespace gainlet {
namespace {

// A format block read into aligned storage: callers may hand blocks at any
// address, and only the block's stated size is ever read.
struct FormatBlock {
    WAVEFORMATEXTENSIBLE wave{};
    bool extensibleComplete = false;  // the whole WAVEFORMATEXTENSIBLE was present

    explicit FormatBlock(const DMO_MEDIA_TYPE& type) {
        const size_t size = type.cbFormat < sizeof wave ? type.cbFormat : sizeof wave;
        std::memcpy(&wave, type.pbFormat, size);
        extensibleComplete = size == sizeof wave;
    }
    const WAVEFORMATEX& Header() const { return wave.Format; }
};

bool IsSupportedContainer(WORD bits) { return bits == 8 || bits == 16 || bits == 24 || bits == 32; }

bool IsAcceptedFormat(const FormatBlock& block) {
    const WAVEFORMATEX& header = block.Header();
    if (!header.nChannels || !header.nSamplesPerSec || !header.nAvgBytesPerSec || !header.nBlockAlign) return false;
    if (!IsSupportedContainer(header.wBitsPerSample)) return false;
    // Processing takes a frame as nChannels packed samples: a smaller block
    // alignment would make it read and write past the buffers it is given.
    if (header.nBlockAlign < DWORD{header.nChannels} * (header.wBitsPerSample / 8)) return false;

    switch (header.wFormatTag) {
    case WAVE_FORMAT_PCM: return header.wBitsPerSample == 8 || header.wBitsPerSample == 16;
    case WAVE_FORMAT_IEEE_FLOAT: return header.wBitsPerSample == 32;
    case WAVE_FORMAT_EXTENSIBLE: {
        // The sub-format and valid bits lie beyond the 18-byte header.
        if (!block.extensibleComplete) return false;
        const GUID& subFormat = block.wave.SubFormat;
        if (!IsEqualGUID(subFormat, kSubFormatPcm) && !IsEqualGUID(subFormat, kSubFormatFloat)) return false;
        const WORD valid = block.wave.Samples.wValidBitsPerSample;
        if (valid == 0 || valid > header.wBitsPerSample) return false;
        if (header.wBitsPerSample <= 16) return valid == header.wBitsPerSample;
        return valid == 16 || valid == 20 || valid == 24 || valid == 32;
    }
    default: return false;
    }
}

bool IsSameFormat(const DMO_MEDIA_TYPE& proposed, const FormatBlock& block, const DMO_MEDIA_TYPE& partner) {
    if (!IsEqualGUID(proposed.majortype, partner.majortype) || !IsEqualGUID(proposed.subtype, partner.subtype))
        return false;
    const FormatBlock other(partner);
    const WAVEFORMATEX& a = block.Header();
    const WAVEFORMATEX& b = other.Header();
    if (a.nChannels != b.nChannels || a.nSamplesPerSec != b.nSamplesPerSec || a.nAvgBytesPerSec != b.nAvgBytesPerSec ||
        a.nBlockAlign != b.nBlockAlign || a.wBitsPerSample != b.wBitsPerSample || a.wFormatTag != b.wFormatTag)
        return false;
    // Valid bits and channel mask are deliberately not compared.
    return a.wFormatTag != WAVE_FORMAT_EXTENSIBLE || IsEqualGUID(block.wave.SubFormat, other.wave.SubFormat);
}

}  // namespace

bool CGainlet::IsSet(const DMO_MEDIA_TYPE& type) { return !IsEqualGUID(type.majortype, GUID_NULL); }

void CGainlet::ResetMediaType(OwnedMediaType* type) {
    // Counted before the free: the format object's release is a call out to
    // the host, which may come back in and must see the change.
    ++stateVersion;
    type->reset();
}

HRESULT CGainlet::VerifyMediaType(const DMO_MEDIA_TYPE* proposed, const DMO_MEDIA_TYPE* partner) {
    if (!IsEqualGUID(proposed->formattype, FORMAT_WaveFormatEx)) return DMO_E_TYPE_NOT_ACCEPTED;
    if (proposed->cbFormat < sizeof(WAVEFORMATEX)) return DMO_E_TYPE_NOT_ACCEPTED;
    if (!proposed->pbFormat) return DMO_E_TYPE_NOT_ACCEPTED;

    const FormatBlock block(*proposed);
    if (!IsAcceptedFormat(block)) return DMO_E_TYPE_NOT_ACCEPTED;

    if (!IsSet(*partner)) return S_OK;
    return IsSameFormat(*proposed, block, *partner) ? S_OK : DMO_E_TYPE_NOT_ACCEPTED;
}

HRESULT CGainlet::OfferType(DWORD index, DWORD typeIndex, const DMO_MEDIA_TYPE& other, DMO_MEDIA_TYPE* type) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (typeIndex != 0) return DMO_E_NO_MORE_ITEMS;
    if (!type) return E_POINTER;

    // Once one side has a type, it is the only type the other side can take.
    if (IsSet(other)) return MoCopyMediaType(type, &other);

    ZeroMemory(type, sizeof *type);
    type->majortype = MEDIATYPE_Audio;
    type->subtype = MEDIASUBTYPE_PCM;
    return S_OK;
}

HRESULT CGainlet::NegotiateType(DWORD index, const DMO_MEDIA_TYPE* type, DWORD flags, OwnedMediaType* record,
                                const DMO_MEDIA_TYPE& partner, OwnedMediaType* replaced, bool* stored) {
    *stored = false;
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (flags & DMO_SET_TYPEF_CLEAR) {
        ResetMediaType(record);
        return S_OK;
    }
    if (!type) return E_POINTER;

    if (!IsEqualGUID(type->majortype, MEDIATYPE_Audio) || FAILED(VerifyMediaType(type, &partner)))
        return (flags & DMO_SET_TYPEF_TEST_ONLY) ? S_FALSE : DMO_E_TYPE_NOT_ACCEPTED;
    if (flags != 0) return S_OK;

    // The old type leaves the record first, but is freed only by the caller,
    // once nothing more is read from the record: its release is a call out
    // to the host's format object. So is the copy's reference on the new
    // one, which may come back in and change either record: the copy is
    // stored only if nothing changed meanwhile.
    ++stateVersion;
    *replaced = std::move(*record);
    const DWORD version = stateVersion;
    OwnedMediaType copy;
    const HRESULT hr = MoCopyMediaType(copy.get(), type);
    if (FAILED(hr)) {
        // A failed copy may leave a half-filled record that looks set; what it
        // holds is not ours to release, so it is only forgotten.
        copy.release();
        return hr;
    }
    if (stateVersion != version) return kChangedState;

    ++stateVersion;
    *record = std::move(copy);
    *stored = true;
    return S_OK;
}

STDMETHODIMP CGainlet::GetInputType(DWORD index, DWORD typeIndex, DMO_MEDIA_TYPE* type) {
    return OfferType(index, typeIndex, *outputType, type);
}

STDMETHODIMP CGainlet::GetOutputType(DWORD index, DWORD typeIndex, DMO_MEDIA_TYPE* type) {
    return OfferType(index, typeIndex, *inputType, type);
}

STDMETHODIMP CGainlet::SetInputType(DWORD index, const DMO_MEDIA_TYPE* type, DWORD flags) {
    // Freed last, after the format is published: its release is a call out.
    OwnedMediaType replaced;
    bool stored = false;
    const HRESULT hr = NegotiateType(index, type, flags, &inputType, *outputType, &replaced, &stored);
    // Published from our own copy, so the settings page shows what is held.
    if (stored) g_sharedGainState.PublishFormat(reinterpret_cast<const WAVEFORMATEX*>(inputType->pbFormat));
    return hr;
}

STDMETHODIMP CGainlet::SetOutputType(DWORD index, const DMO_MEDIA_TYPE* type, DWORD flags) {
    OwnedMediaType replaced;
    bool stored = false;
    return NegotiateType(index, type, flags, &outputType, *inputType, &replaced, &stored);
}

HRESULT CGainlet::ReportCurrentType(DWORD index, const DMO_MEDIA_TYPE& record, DMO_MEDIA_TYPE* type) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!type) return E_POINTER;
    if (!IsSet(record)) return DMO_E_TYPE_NOT_SET;
    return MoCopyMediaType(type, &record);
}

STDMETHODIMP CGainlet::GetInputCurrentType(DWORD index, DMO_MEDIA_TYPE* type) {
    return ReportCurrentType(index, *inputType, type);
}

STDMETHODIMP CGainlet::GetOutputCurrentType(DWORD index, DMO_MEDIA_TYPE* type) {
    return ReportCurrentType(index, *outputType, type);
}

HRESULT CGainlet::ReportSizeInfo(const DMO_MEDIA_TYPE& record, DWORD* size, DWORD* alignment) {
    if (!IsSet(record)) return DMO_E_TYPE_NOT_SET;
    // The player's own sample size is the minimum. The alignment is one of a
    // buffer's start address, and DirectShow allocators take only powers of
    // two (otherwise the DMO Wrapper filter's Commit fails with VFW_E_BADALIGN
    // and the audio is dropped): so the largest power of two dividing a frame.
    const DWORD frame = reinterpret_cast<const WAVEFORMATEX*>(record.pbFormat)->nBlockAlign;
    *size = record.lSampleSize;
    *alignment = frame & (0u - frame);
    return S_OK;
}

STDMETHODIMP CGainlet::GetInputSizeInfo(DWORD index, DWORD* size, DWORD* maxLookahead, DWORD* alignment) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!size || !maxLookahead || !alignment) return E_POINTER;
    const HRESULT hr = ReportSizeInfo(*inputType, size, alignment);
    if (SUCCEEDED(hr)) *maxLookahead = 0;
    return hr;
}

STDMETHODIMP CGainlet::GetOutputSizeInfo(DWORD index, DWORD* size, DWORD* alignment) {
    if (index != 0) return DMO_E_INVALIDSTREAMINDEX;
    if (!size || !alignment) return E_POINTER;
    return ReportSizeInfo(*outputType, size, alignment);
}

}  // namespace gainlet
