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
#include "engine/process_samples.h"

namespace gainlet {
namespace {

// A format block read into aligned storage: callers may hand blocks at any
// address, and only the block's stated size is ever read.
struct FormatBlock {
    WAVEFORMATEXTENSIBLE wave{};
    bool extensibleComplete = false;  // the whole WAVEFORMATEXTENSIBLE was present

    FormatBlock(const BYTE* block, ULONG size) {
        const size_t copied = size < sizeof wave ? size : sizeof wave;
        std::memcpy(&wave, block, copied);
        extensibleComplete = copied == sizeof wave;
    }
    explicit FormatBlock(const DMO_MEDIA_TYPE& type) : FormatBlock(type.pbFormat, type.cbFormat) {}
    const WAVEFORMATEX& Header() const { return wave.Format; }
};

bool IsSupportedContainer(WORD bits) { return bits == 8 || bits == 16 || bits == 24 || bits == 32; }

// The valid bits an accepted format carries, or 0 for a format the object
// does not take.
WORD AcceptedValidBits(const FormatBlock& block) {
    const WAVEFORMATEX& header = block.Header();
    if (!header.nChannels || !header.nSamplesPerSec || !header.nAvgBytesPerSec || !header.nBlockAlign) return 0;
    const WORD bits = header.wBitsPerSample;
    if (!IsSupportedContainer(bits)) return 0;
    // Processing takes a frame as nChannels packed samples: a smaller block
    // alignment would make it read and write past the buffers it is given.
    if (header.nBlockAlign < DWORD{header.nChannels} * (bits / 8)) return 0;

    switch (header.wFormatTag) {
    case WAVE_FORMAT_PCM: return bits == 8 || bits == 16 ? bits : 0;
    case WAVE_FORMAT_IEEE_FLOAT: return bits == 32 ? bits : 0;
    case WAVE_FORMAT_EXTENSIBLE: {
        // The sub-format and valid bits lie beyond the 18-byte header.
        if (!block.extensibleComplete) return 0;
        const GUID& subFormat = block.wave.SubFormat;
        if (!IsEqualGUID(subFormat, kSubFormatPcm) && !IsEqualGUID(subFormat, kSubFormatFloat)) return 0;
        const WORD valid = block.wave.Samples.wValidBitsPerSample;
        if (valid == 0 || valid > bits) return 0;
        if (bits <= 16) return valid == bits ? valid : 0;
        return valid == 16 || valid == 20 || valid == 24 || valid == 32 ? valid : 0;
    }
    default: return 0;
    }
}

bool Decode(const FormatBlock& block, SampleFormat* out) {
    const WORD valid = AcceptedValidBits(block);
    if (!valid) return false;
    const WAVEFORMATEX& header = block.Header();
    const bool isFloat =
        header.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ||
        (header.wFormatTag == WAVE_FORMAT_EXTENSIBLE && IsEqualGUID(block.wave.SubFormat, kSubFormatFloat));
    // The container alone picks the layout, except that 32-bit float and
    // 32-bit integer samples are told apart by the float flag.
    static constexpr SampleLayout kByContainer[] = {SampleLayout::kUnsigned8, SampleLayout::kSigned16,
                                                    SampleLayout::kPacked24, SampleLayout::kSigned32};
    const WORD bytes = header.wBitsPerSample / 8;
    *out = {};
    out->layout = bytes == 4 && isFloat ? SampleLayout::kFloat32 : kByContainer[bytes - 1];
    out->bytesPerSample = bytes;
    out->validBits = valid;
    out->isFloat = isFloat;
    out->channels = header.nChannels;
    out->blockAlign = header.nBlockAlign;
    out->samplesPerSec = header.nSamplesPerSec;
    return true;
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

bool DecodeSampleFormat(const BYTE* block, ULONG size, SampleFormat* out) {
    return size >= sizeof(WAVEFORMATEX) && block && Decode(FormatBlock(block, size), out);
}

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
    if (!AcceptedValidBits(block)) return DMO_E_TYPE_NOT_ACCEPTED;

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
    if (!stored) return hr;
    // Decoded from our own copy, which passed the same test: what processing
    // and the settings page see is what is held.
    DecodeSampleFormat(inputType->pbFormat, inputType->cbFormat, &inputFormat);
    g_sharedGainState.PublishFormat(inputFormat.samplesPerSec, inputFormat.channels, inputFormat.ShownBits(),
                                    inputFormat.isFloat);
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
