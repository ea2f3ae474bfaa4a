#include "media_buffer.h"

#include <cstdint>
#include <new>

namespace dsphost {

Microsoft::WRL::ComPtr<MediaBuffer> MediaBuffer::Create(DWORD capacity, DWORD alignment) {
    if (alignment == 0) alignment = 1;
    if (ULONGLONG{capacity} + alignment - 1 > SIZE_MAX) return nullptr;
    try {
        return Microsoft::WRL::ComPtr<MediaBuffer>(new MediaBuffer(capacity, alignment));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// The block starts at the first multiple of the alignment inside a larger
// allocation: a plug-in may ask for any alignment, not only powers of two.
MediaBuffer::MediaBuffer(DWORD capacity, DWORD alignment)
    : storage(size_t{capacity} + alignment - 1), capacity(capacity) {
    const uintptr_t address = reinterpret_cast<uintptr_t>(storage.data());
    data = storage.data() + (alignment - address % alignment) % alignment;
}

STDMETHODIMP MediaBuffer::SetLength(DWORD newLength) {
    if (newLength > capacity) return E_INVALIDARG;
    length = newLength;
    return S_OK;
}

STDMETHODIMP MediaBuffer::GetMaxLength(DWORD* maxLength) {
    if (!maxLength) return E_POINTER;
    *maxLength = capacity;
    return S_OK;
}

STDMETHODIMP MediaBuffer::GetBufferAndLength(BYTE** buffer, DWORD* currentLength) {
    if (!buffer && !currentLength) return E_POINTER;
    if (buffer) *buffer = data;
    if (currentLength) *currentLength = length;
    return S_OK;
}

}  // namespace dsphost
