#include "media_buffer.h"

#include <new>

namespace dsphost {

MediaBuffer* MediaBuffer::Create(DWORD capacity) { return new (std::nothrow) MediaBuffer(capacity); }

STDMETHODIMP MediaBuffer::QueryInterface(REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMediaBuffer)) {
        *ppv = static_cast<IMediaBuffer*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) MediaBuffer::AddRef() { return InterlockedIncrement(&refCount); }

STDMETHODIMP_(ULONG) MediaBuffer::Release() {
    const LONG count = InterlockedDecrement(&refCount);
    if (count == 0) delete this;
    return count;
}

STDMETHODIMP MediaBuffer::SetLength(DWORD newLength) {
    if (newLength > memory.size()) return E_INVALIDARG;
    length = newLength;
    return S_OK;
}

STDMETHODIMP MediaBuffer::GetMaxLength(DWORD* maxLength) {
    if (!maxLength) return E_POINTER;
    *maxLength = static_cast<DWORD>(memory.size());
    return S_OK;
}

STDMETHODIMP MediaBuffer::GetBufferAndLength(BYTE** buffer, DWORD* currentLength) {
    if (!buffer && !currentLength) return E_POINTER;
    if (buffer) *buffer = memory.data();
    if (currentLength) *currentLength = length;
    return S_OK;
}

}  // namespace dsphost
