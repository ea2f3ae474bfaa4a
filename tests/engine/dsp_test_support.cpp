#include "dsp_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

extern "C" {
#include <dmort.h>
}

namespace gainlet::test {
namespace {

// A fault ends the run at once with its code instead of waiting in Wine's
// debugger until the test times out.
LONG WINAPI ReportFault(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "fatal exception 0x%08lX at %p\n", info->ExceptionRecord->ExceptionCode,
                 info->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    return EXCEPTION_EXECUTE_HANDLER;
}

const LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = SetUnhandledExceptionFilter(ReportFault);

}  // namespace

Format Pcm(WORD bits, WORD channels, DWORD rate) {
    Format f;
    f.bits = bits;
    f.channels = channels;
    f.rate = rate;
    return f;
}

Format Float32(WORD channels, DWORD rate) {
    Format f = Pcm(32, channels, rate);
    f.tag = WAVE_FORMAT_IEEE_FLOAT;
    return f;
}

Format Extensible(WORD bits, WORD validBits, const GUID& subFormat, WORD channels, DWORD rate) {
    Format f = Pcm(bits, channels, rate);
    f.tag = WAVE_FORMAT_EXTENSIBLE;
    f.validBits = validBits;
    f.subFormat = subFormat;
    return f;
}

MediaType::MediaType(const Format& f) {
    DMO_MEDIA_TYPE& type = *get();
    const DWORD size = static_cast<DWORD>(WaveBlockSize(f));
    EXPECT_EQ(MoInitMediaType(&type, size), S_OK);
    type.majortype = MEDIATYPE_Audio;
    type.subtype = MEDIASUBTYPE_PCM;
    type.bFixedSizeSamples = TRUE;
    type.formattype = FORMAT_WaveFormatEx;

    const WAVEFORMATEXTENSIBLE wave = WaveBlock(f);
    type.lSampleSize = wave.Format.nBlockAlign;
    std::memcpy(type.pbFormat, &wave, size);
}

bool SameMediaType(const DMO_MEDIA_TYPE& a, const DMO_MEDIA_TYPE& b) {
    return IsEqualGUID(a.majortype, b.majortype) && IsEqualGUID(a.subtype, b.subtype) &&
           a.bFixedSizeSamples == b.bFixedSizeSamples && a.bTemporalCompression == b.bTemporalCompression &&
           a.lSampleSize == b.lSampleSize && IsEqualGUID(a.formattype, b.formattype) && a.pUnk == b.pUnk &&
           a.cbFormat == b.cbFormat && (a.cbFormat == 0 || std::memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0);
}

ComPtr<IMediaObject> CreateDsp() {
    ComPtr<IMediaObject> dsp;
    EXPECT_EQ(CGainlet::Create(nullptr, IID_IMediaObject, reinterpret_cast<void**>(dsp.GetAddressOf())), S_OK);
    return dsp;
}

void Negotiate(IMediaObject* dsp, const Format& format) {
    MediaType type(format);
    ASSERT_EQ(dsp->SetInputType(0, type.get(), 0), S_OK);
    ASSERT_EQ(dsp->SetOutputType(0, type.get(), 0), S_OK);
}

}  // namespace gainlet::test
