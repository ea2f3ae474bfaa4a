#include "class_factory.h"

namespace gainlet {

HRESULT ClassFactory::CreateCached(InstanceCreator creator, IUnknown** cache) {
    return Create(nullptr, IID_IUnknown, reinterpret_cast<void**>(cache), creator);
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
