// Helpers for driving CGainlet through its interfaces: media types built
// from a few numbers and an owner for DMO_MEDIA_TYPE copies handed out by
// the object. The host's buffer is the shared TestBuffer.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <mediaobj.h>
#include <mediaerr.h>
#include <mmreg.h>
#include <uuids.h>
#include <wrl/client.h>

#include <vector>

#include "common/owned_media_type.h"
#include "engine/dsp_object.h"
#include "test_buffer.h"
#include "wave_format.h"

namespace gainlet::test {

using Microsoft::WRL::ComPtr;

// The media-object error codes as HRESULTs (MinGW defines them unsigned).
constexpr HRESULT kInvalidStreamIndex = static_cast<HRESULT>(DMO_E_INVALIDSTREAMINDEX);
constexpr HRESULT kTypeNotSet = static_cast<HRESULT>(DMO_E_TYPE_NOT_SET);
constexpr HRESULT kTypeNotAccepted = static_cast<HRESULT>(DMO_E_TYPE_NOT_ACCEPTED);
constexpr HRESULT kNoMoreItems = static_cast<HRESULT>(DMO_E_NO_MORE_ITEMS);

// A plain description of a wave format; MediaType builds the media type.
using Format = WaveFormat;

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

// A fresh standalone DSP object, asked for IMediaObject.
ComPtr<IMediaObject> CreateDsp();

// Both sides set to format; fails the calling test if refused.
void Negotiate(IMediaObject* dsp, const Format& format);

// Tests of a fresh object at 0 dB, where every sample passes unchanged, so
// that output bytes can be compared with input bytes.
class UnityGainTest : public ::testing::Test {
protected:
    void SetUp() override {
        dsp = CreateDsp();
        ASSERT_EQ(dsp.As(&gainlet), S_OK);
        ASSERT_EQ(dsp.As(&enable), S_OK);
        ASSERT_EQ(gainlet->SetGain(0.0f), S_OK);
    }

    ComPtr<IMediaObject> dsp;
    ComPtr<IGainlet> gainlet;
    ComPtr<IWMPPluginEnable> enable;
};

}  // namespace gainlet::test
