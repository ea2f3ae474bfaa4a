// The host's own IMediaBuffer: a fixed-capacity block of memory with a
// current length, as the player hands its DSP plug-ins.
#pragma once

#include <windows.h>
#include <mediaobj.h>
#include <wrl/client.h>

#include <vector>

#include "single_interface_object.h"

namespace dsphost {

class MediaBuffer final : public testbed::SingleInterfaceObject<MediaBuffer, IMediaBuffer> {
public:
    // A new buffer of capacity bytes starting at an address that is a
    // multiple of alignment, with length 0; null when out of memory.
    static Microsoft::WRL::ComPtr<MediaBuffer> Create(DWORD capacity, DWORD alignment = 1);

    BYTE* Data() { return data; }
    DWORD Length() const { return length; }

    STDMETHODIMP SetLength(DWORD newLength) override;
    STDMETHODIMP GetMaxLength(DWORD* maxLength) override;
    STDMETHODIMP GetBufferAndLength(BYTE** buffer, DWORD* currentLength) override;

private:
    friend class testbed::SingleInterfaceObject<MediaBuffer, IMediaBuffer>;
    MediaBuffer(DWORD capacity, DWORD alignment);
    ~MediaBuffer() = default;

    std::vector<BYTE> storage;
    BYTE* data;
    DWORD capacity;
    DWORD length = 0;
};

}  // namespace dsphost
