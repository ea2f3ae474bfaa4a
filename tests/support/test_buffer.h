// The IMediaBuffer a host hands the DSP object, over memory of the test's
// own. Its reference count is watched, never acted on (the test owns the
// buffer), and each of its calls can be made to fail or to call back into
// the object.
#pragma once

#include <windows.h>
#include <mediaobj.h>

#include <functional>
#include <vector>

namespace gainlet::test {

// The calls a host's buffer takes from the object, any of which may call
// back into it.
enum class BufferCall { GetBufferAndLength, GetMaxLength, SetLength, Release };

class TestBuffer final : public IMediaBuffer {
public:
    // size bytes of zeros, length of them in use.
    explicit TestBuffer(DWORD size, DWORD length = 0);
    // bytes as they are, length of them in use.
    TestBuffer(std::vector<BYTE> bytes, DWORD length);

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

}  // namespace gainlet::test
