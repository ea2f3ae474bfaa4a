#include "class_factory.h"

#include <new>

namespace gainlet {

const InterfaceEntry* ClassFactory::InterfaceTable() {
    static constexpr InterfaceEntry table[] = {
        GAINLET_INTERFACE_ENTRY(ClassFactory, IClassFactory, IID_IClassFactory),
        {nullptr, nullptr},
    };
    return table;
}

HRESULT ClassFactory::CreateCached(InstanceCreator creator, IUnknown** cache) {
    *cache = nullptr;
    auto* factory = new (std::nothrow) CachedObject<ClassFactory>();
    if (!factory) return E_OUTOFMEMORY;
    factory->creator = creator;

    HRESULT hr = factory->InitializeObjectLock();
    if (SUCCEEDED(hr)) hr = factory->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(cache));
    if (FAILED(hr)) {
        delete factory;
        return hr;
    }
    return S_OK;
}

STDMETHODIMP ClassFactory::CreateInstance(IUnknown* outer, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    // An aggregated object can only hand its outer object the inner unknown.
    if (outer && !IsEqualIID(iid, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return creator(outer, iid, ppv);
}

STDMETHODIMP ClassFactory::LockServer(BOOL lock) {
    if (lock)
        LockModule();
    else
        UnlockModule();
    return S_OK;
}

}  // namespace gainlet
