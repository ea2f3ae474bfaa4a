#include "com_module.h"

#include "class_factory.h"

namespace gainlet {

void ComModule::Initialize(ClassEntry* table) {
    InitializeCriticalSection(&cacheLock);
    classes = table;
}

void ComModule::Terminate() {
    if (!classes) return;
    for (ClassEntry* entry = classes; entry->clsid; ++entry) {
        if (IUnknown* factory = entry->factoryCache) {
            entry->factoryCache = nullptr;
            factory->Release();
        }
    }
    classes = nullptr;
    DeleteCriticalSection(&cacheLock);
}

HRESULT ComModule::GetClassObject(REFCLSID clsid, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!classes) return CLASS_E_CLASSNOTAVAILABLE;

    for (ClassEntry* entry = classes; entry->clsid; ++entry) {
        if (!IsEqualCLSID(clsid, *entry->clsid)) continue;

        HRESULT hr = S_OK;
        // Double-checked: the common case, an existing factory, takes no lock.
        if (!entry->factoryCache) {
            EnterCriticalSection(&cacheLock);
            if (!entry->factoryCache) {
                IUnknown* factory = nullptr;
                hr = ClassFactory::CreateCached(entry->createInstance, &factory);
                // Published only once complete, for the unlocked readers.
                if (SUCCEEDED(hr))
                    InterlockedExchangePointer(reinterpret_cast<void* volatile*>(&entry->factoryCache), factory);
            }
            LeaveCriticalSection(&cacheLock);
        }
        if (IUnknown* factory = entry->factoryCache) hr = factory->QueryInterface(iid, ppv);
        if (*ppv || hr != S_OK) return hr;
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT ComModule::CanUnloadNow() const { return ModuleLockCount() == 0 ? S_OK : S_FALSE; }

}  // namespace gainlet
