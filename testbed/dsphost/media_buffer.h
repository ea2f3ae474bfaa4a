// The host's own IMediaBuffer: a fixed-capacity block of memory with a
// current length, as the player hands its DSP plug-ins.
#pragma once

#include <windows.h>
#include <mediaobj.h>

#include <vector>

namespace dsphost {

class MediaBuffer final : public IMediaBuffer {
public:
    // A new buffer with one reference, capacity bytes and length 0.
    static MediaBuffer* Create(DWORD capacity);

    BYTE* Data() { return memory.data(); }
    DWORD Length() const { return length; }

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP SetLength(DWORD newLength) override;
    STDMETHODIMP GetMaxLength(DWORD* maxLength) override;
    STDMETHODIMP GetBufferAndLength(BYTE** buffer, DWORD* currentLength) override;

private:
    explicit MediaBuffer(DWORD capacity) : memory(capacity) {}
    ~MediaBuffer() = default;

    LONG refCount = 1;
    std::vector<BYTE> memory;
    DWORD length = 0;
};

}  // namespace dsphost
