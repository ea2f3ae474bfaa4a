// IUnknown for the test bed's small COM objects that carry one interface:
// QueryInterface answers IUnknown and Interface, references are counted
// across threads, and the last Release deletes the object.
//
// An object is born without a reference; the first ComPtr made from it
// takes one. MinGW's ComPtr::Attach adds a reference of its own, so an
// object born with one would never be freed.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace testbed {

template <class Derived, class Interface>
class SingleInterfaceObject : public Interface {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, __uuidof(Interface))) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        *ppv = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refCount); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG count = InterlockedDecrement(&refCount);
        if (count == 0) delete static_cast<Derived*>(this);
        return count;
    }

protected:
    SingleInterfaceObject() = default;
    ~SingleInterfaceObject() = default;
    SingleInterfaceObject(const SingleInterfaceObject&) = delete;
    SingleInterfaceObject& operator=(const SingleInterfaceObject&) = delete;

private:
    LONG volatile refCount = 0;
};

}  // namespace testbed
