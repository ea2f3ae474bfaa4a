// The media structures the player hands over or reads back, as its own
// compiler lays them out. The code reads them through MinGW's headers, so a
// header that disagrees (a missing pack pragma, a 4-byte-aligned 64-bit
// member) would shift every field after the first difference, and nothing
// would notice before the player misread one. The values are the platform's
// for the i686 build and for x86_64.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <mediaobj.h>
#include <dmoreg.h>

#include <cstddef>

namespace gainlet::media_layouts {

constexpr bool kWin64 = sizeof(void*) == 8;

// Byte-packed on every architecture: the format blocks come in any length and
// at any address, and the extensible part starts right after the 18 bytes.
static_assert(sizeof(WAVEFORMATEX) == 18);
static_assert(offsetof(WAVEFORMATEX, wFormatTag) == 0);
static_assert(offsetof(WAVEFORMATEX, nChannels) == 2);
static_assert(offsetof(WAVEFORMATEX, nSamplesPerSec) == 4);
static_assert(offsetof(WAVEFORMATEX, nAvgBytesPerSec) == 8);
static_assert(offsetof(WAVEFORMATEX, nBlockAlign) == 12);
static_assert(offsetof(WAVEFORMATEX, wBitsPerSample) == 14);
static_assert(offsetof(WAVEFORMATEX, cbSize) == 16);

static_assert(sizeof(WAVEFORMATEXTENSIBLE) == 40);
static_assert(offsetof(WAVEFORMATEXTENSIBLE, Format) == 0);
static_assert(offsetof(WAVEFORMATEXTENSIBLE, Samples.wValidBitsPerSample) == 18);
static_assert(offsetof(WAVEFORMATEXTENSIBLE, dwChannelMask) == 20);
static_assert(offsetof(WAVEFORMATEXTENSIBLE, SubFormat) == 24);

// Natural alignment: the pointers after formattype start on an 8-byte
// boundary on x86_64.
static_assert(sizeof(DMO_MEDIA_TYPE) == (kWin64 ? 88 : 72));
static_assert(offsetof(DMO_MEDIA_TYPE, majortype) == 0);
static_assert(offsetof(DMO_MEDIA_TYPE, subtype) == 16);
static_assert(offsetof(DMO_MEDIA_TYPE, bFixedSizeSamples) == 32);
static_assert(offsetof(DMO_MEDIA_TYPE, bTemporalCompression) == 36);
static_assert(offsetof(DMO_MEDIA_TYPE, lSampleSize) == 40);
static_assert(offsetof(DMO_MEDIA_TYPE, formattype) == 44);
static_assert(offsetof(DMO_MEDIA_TYPE, pUnk) == (kWin64 ? 64 : 60));
static_assert(offsetof(DMO_MEDIA_TYPE, cbFormat) == (kWin64 ? 72 : 64));
static_assert(offsetof(DMO_MEDIA_TYPE, pbFormat) == (kWin64 ? 80 : 68));

// The record whose status and time stamps the player reads back after
// ProcessOutput.
static_assert(sizeof(DMO_OUTPUT_DATA_BUFFER) == (kWin64 ? 32 : 24));
static_assert(offsetof(DMO_OUTPUT_DATA_BUFFER, pBuffer) == 0);
static_assert(offsetof(DMO_OUTPUT_DATA_BUFFER, dwStatus) == (kWin64 ? 8 : 4));
static_assert(offsetof(DMO_OUTPUT_DATA_BUFFER, rtTimestamp) == (kWin64 ? 16 : 8));
static_assert(offsetof(DMO_OUTPUT_DATA_BUFFER, rtTimelength) == (kWin64 ? 24 : 16));

// Handed to the registrar as an untyped pointer, so nothing else checks it.
static_assert(sizeof(DMO_PARTIAL_MEDIATYPE) == 32);
static_assert(offsetof(DMO_PARTIAL_MEDIATYPE, type) == 0);
static_assert(offsetof(DMO_PARTIAL_MEDIATYPE, subtype) == 16);

}  // namespace gainlet::media_layouts
