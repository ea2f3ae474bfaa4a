// The host's own IMediaBuffer: a fixed-capacity block of memory with a
// current length, as the player hands its DSP plug-ins.
#pragma once

#include <windows.h>
#include <mediaobj.h>
#include <wrl/client.h>

#include <vector>

namespace dsphost {

class MediaBuffer final : public IMediaBuffer {
public:
    // A new buffer of capacity bytes starting at an address that is a
    // multiple of alignment, with length 0; null when out of memory.
    static Microsoft::WRL::ComPtr<MediaBuffer> Create(DWORD capacity, DWORD alignment = 1);

    BYTE* Data() { return data; }
    DWORD Length() const { return length; }

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP SetLength(DWORD newLength) override;
    STDMETHODIMP GetMaxLength(DWORD* maxLength) override;
    STDMETHODIMP GetBufferAndLength(BYTE** buffer, DWORD* currentLength) override;

private:
    MediaBuffer(DWORD capacity, DWORD alignment);
    ~MediaBuffer() = default;

    // The reference is the ComPtr's that Create returns: MinGW's
    // ComPtr::Attach adds one of its own, so a buffer born with one leaks.
    LONG refCount = 0;
    std::vector<BYTE> storage;
    BYTE* data;
    DWORD capacity;
    DWORD length = 0;
};

}  // namespace dsphost
