// Helpers for driving CGainlet through its interfaces: media types built
// from a few numbers, an IMediaBuffer whose calls can be made to fail or to
// call back into the object, and an owner for DMO_MEDIA_TYPE copies handed
// out by the object.
#pragma once

#include <windows.h>
#include <mediaobj.h>
#include <mediaerr.h>
#include <mmreg.h>
#include <uuids.h>
#include <wrl/client.h>

#include <functional>
#include <vector>

#include "common/owned_media_type.h"
#include "engine/dsp_object.h"

namespace gainlet::test {

using Microsoft::WRL::ComPtr;

// The media-object error codes as HRESULTs (MinGW defines them unsigned).
constexpr HRESULT kInvalidStreamIndex = static_cast<HRESULT>(DMO_E_INVALIDSTREAMINDEX);
constexpr HRESULT kTypeNotSet = static_cast<HRESULT>(DMO_E_TYPE_NOT_SET);
constexpr HRESULT kTypeNotAccepted = static_cast<HRESULT>(DMO_E_TYPE_NOT_ACCEPTED);
constexpr HRESULT kNoMoreItems = static_cast<HRESULT>(DMO_E_NO_MORE_ITEMS);

// A plain description of a wave format; ToType() builds the media type.
struct Format {
    WORD tag = WAVE_FORMAT_PCM;
    WORD channels = 2;
    DWORD rate = 44100;
    WORD bits = 16;
    WORD validBits = 0;          // extensible only; 0 means "same as bits"
    GUID subFormat = MEDIASUBTYPE_PCM;   // extensible only: a format tag's subtype
    WORD blockAlign = 0;         // 0: channels * bits / 8
    DWORD avgBytes = 0;          // 0: rate * blockAlign
};

Format Pcm(WORD bits, WORD channels = 2, DWORD rate = 44100);
Format Float32(WORD channels = 2, DWORD rate = 44100);
Format Extensible(WORD bits, WORD validBits, const GUID& subFormat = MEDIASUBTYPE_PCM, WORD channels = 2,
                  DWORD rate = 44100);

// An owned DMO_MEDIA_TYPE: either built from a Format or empty to receive a
// copy from the object.
class MediaType : public OwnedMediaType {
public:
    MediaType() = default;
    explicit MediaType(const Format& format);

    WAVEFORMATEXTENSIBLE* Wave() const { return reinterpret_cast<WAVEFORMATEXTENSIBLE*>((*this)->pbFormat); }
};

bool SameMediaType(const DMO_MEDIA_TYPE& a, const DMO_MEDIA_TYPE& b);

// The calls a host's buffer takes from the object, any of which may call
// back into it.
enum class BufferCall { GetBufferAndLength, GetMaxLength, SetLength, Release };

// An IMediaBuffer over a vector, with a reference count the tests watch.
class TestBuffer final : public IMediaBuffer {
public:
    explicit TestBuffer(DWORD size, DWORD length = 0);

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP SetLength(DWORD length) override;
    STDMETHODIMP GetMaxLength(DWORD* maxLength) override;
    STDMETHODIMP GetBufferAndLength(BYTE** buffer, DWORD* length) override;

    std::vector<BYTE> memory;
    DWORD length;
    DWORD maxLength;  // may be less than memory holds, to watch for overruns
    LONG refs = 1;
    HRESULT getBufferResult = S_OK;
    HRESULT getMaxLengthResult = S_OK;
    HRESULT setLengthResult = S_OK;
    bool nullMemory = false;
    BYTE* external = nullptr;  // memory to report instead of the vector's
    // Runs first in each of those calls (in Release, once the count is down).
    std::function<void(BufferCall)> onCall;
};

// A fresh standalone DSP object, asked for IMediaObject.
ComPtr<IMediaObject> CreateDsp();

// Both sides set to format; fails the calling test if refused.
void Negotiate(IMediaObject* dsp, const Format& format);

}  // namespace gainlet::test
