// A test's stand-in that implements one interface: QueryInterface answers
// IUnknown and that interface with itself, and nothing else.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace gainlet::test {

template <typename Interface>
HRESULT QuerySingleInterface(Interface* object, REFIID implemented, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, implemented)) {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    *ppv = object;
    object->AddRef();
    return S_OK;
}

// The stand-in itself, for one on a test's stack: refs counts the test's own
// reference (1) and those the code under test holds, so that a test can see
// them, and nothing is ever deleted. The derived class implements the
// interface's own methods.
template <typename Interface>
class StandIn : public Interface {
public:
    LONG refs = 1;

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        return QuerySingleInterface<Interface>(this, __uuidof(Interface), iid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override { return InterlockedDecrement(&refs); }
};

}  // namespace gainlet::test
