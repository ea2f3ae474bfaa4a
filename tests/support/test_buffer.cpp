#include "test_buffer.h"

#include <utility>

#include "single_interface.h"

namespace gainlet::test {

TestBuffer::TestBuffer(DWORD size, DWORD initialLength) : memory(size), length(initialLength), maxLength(size) {}

TestBuffer::TestBuffer(std::vector<BYTE> bytes, DWORD initialLength)
    : memory(std::move(bytes)), length(initialLength), maxLength(static_cast<DWORD>(memory.size())) {}

STDMETHODIMP TestBuffer::QueryInterface(REFIID iid, void** ppv) {
    return QuerySingleInterface<IMediaBuffer>(this, IID_IMediaBuffer, iid, ppv);
}

STDMETHODIMP_(ULONG) TestBuffer::Release() {
    const ULONG left = InterlockedDecrement(&refs);
    if (onCall) onCall(BufferCall::Release);
    return left;
}

STDMETHODIMP TestBuffer::SetLength(DWORD newLength) {
    if (onCall) onCall(BufferCall::SetLength);
    if (FAILED(setLengthResult)) return setLengthResult;
    if (newLength > maxLength) return E_INVALIDARG;
    length = newLength;
    return S_OK;
}

STDMETHODIMP TestBuffer::GetMaxLength(DWORD* reported) {
    if (onCall) onCall(BufferCall::GetMaxLength);
    if (FAILED(getMaxLengthResult)) return getMaxLengthResult;
    *reported = maxLength;
    return S_OK;
}

STDMETHODIMP TestBuffer::GetBufferAndLength(BYTE** buffer, DWORD* currentLength) {
    if (onCall) onCall(BufferCall::GetBufferAndLength);
    if (FAILED(getBufferResult)) return getBufferResult;
    if (buffer) *buffer = nullMemory ? nullptr : external ? external : memory.data();
    if (currentLength) *currentLength = length;
    return S_OK;
}

}  // namespace gainlet::test
