// The controlling unknown of an aggregate, for the tests of objects created
// inside one: it counts the references the inner object's interfaces forward
// to it and records what they ask of it, and implements no interface itself.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace gainlet::test {

class Outer final : public IUnknown {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        lastQueried = iid;
        ++queries;
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // Lives on the test's stack: the count is only watched.
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }

    LONG refs = 1;
    int queries = 0;
    IID lastQueried = {};
};

}  // namespace gainlet::test
