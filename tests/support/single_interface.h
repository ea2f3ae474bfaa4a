// QueryInterface for a test's stand-in that implements one interface: it
// answers IUnknown and that interface with itself, and nothing else.
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

}  // namespace gainlet::test
