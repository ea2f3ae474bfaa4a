// Small COM object machinery: module lock count, interface tables, and the
// standalone and aggregated wrappers every creatable class of the DLL lives in.
//
// A class T derives from ComObjectRoot and its interfaces, implements their
// methods but not IUnknown's, and provides
//     static const InterfaceEntry* InterfaceTable();
// whose first entry also answers IID_IUnknown (the object's identity) and
// whose last entry is { nullptr, nullptr }. It may hide FinalRelease() with work
// that must run before its destructor. CreateComObject<T> is the creator the
// class table hands its class factory.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <new>

namespace gainlet {

// The module lock count: live objects, client-held class factories and
// unmatched LockServer(TRUE) calls. The DLL can unload when it is 0.
void LockModule();
void UnlockModule();
LONG ModuleLockCount();

// One row of a class's interface table. The row holds a function rather
// than an offset so that the table is a constant: a table computed at run
// time would be built under a guard, which costs the runtime a semaphore it
// never closes.
struct InterfaceEntry {
    const IID* iid;
    IUnknown* (*pointer)(void* object);  // the interface of an object of the table's class
};

template <class T, class I>
IUnknown* InterfacePointer(void* object) {
    return static_cast<I*>(static_cast<T*>(object));
}

#define GAINLET_INTERFACE_ENTRY(Class, Interface, iid) \
    { &(iid), &::gainlet::InterfacePointer<Class, Interface> }

class ComObjectRoot {
public:
    ComObjectRoot(const ComObjectRoot&) = delete;
    ComObjectRoot& operator=(const ComObjectRoot&) = delete;

    // The per-object critical section; the classes create it but never
    // enter it (shared data has its own lock).
    HRESULT InitializeObjectLock() {
        if (InitializeCriticalSectionAndSpinCount(&objectLock, 0)) {
            objectLockReady = true;
            return S_OK;
        }
        return HRESULT_FROM_WIN32(GetLastError());
    }

    void FinalRelease() {}

    // Looks iid up in the table of the object at self; IID_IUnknown answers
    // the first entry. A hit is AddRef'ed through the interface found.
    static HRESULT QueryInterfaceFromTable(void* self, const InterfaceEntry* table, REFIID iid, void** ppv) {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        for (const InterfaceEntry* entry = table; entry->iid; ++entry) {
            if (IsEqualIID(iid, *entry->iid) || (entry == table && IsEqualIID(iid, IID_IUnknown))) {
                IUnknown* found = entry->pointer(self);
                found->AddRef();
                *ppv = found;
                return S_OK;
            }
        }
        return E_NOINTERFACE;
    }

protected:
    ComObjectRoot() = default;
    ~ComObjectRoot() {
        if (objectLockReady) DeleteCriticalSection(&objectLock);
    }

    LONG refCount = 0;
    CRITICAL_SECTION objectLock{};
    bool objectLockReady = false;

    template <class>
    friend class StandaloneObject;
    template <class>
    friend class AggregatedObject;
    template <class>
    friend class CachedObject;
    template <class>
    friend HRESULT CreateComObject(IUnknown*, REFIID, void**);
};

// An instance that counts its own references.
template <class T>
class StandaloneObject final : public T {
public:
    StandaloneObject() { LockModule(); }
    ~StandaloneObject() {
        this->FinalRelease();
        UnlockModule();
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        return ComObjectRoot::QueryInterfaceFromTable(static_cast<T*>(this), T::InterfaceTable(), iid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&this->refCount); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG count = InterlockedDecrement(&this->refCount);
        if (count == 0) delete this;
        return count;
    }
};

// The object inside an aggregate: its interfaces' IUnknown methods go to the
// outer unknown recorded at creation.
template <class T>
class ContainedObject final : public T {
public:
    explicit ContainedObject(IUnknown* outer) : outerUnknown(outer) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override { return outerUnknown->QueryInterface(iid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() override { return outerUnknown->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return outerUnknown->Release(); }

    HRESULT InnerQueryInterface(REFIID iid, void** ppv) {
        return ComObjectRoot::QueryInterfaceFromTable(static_cast<T*>(this), T::InterfaceTable(), iid, ppv);
    }

private:
    IUnknown* const outerUnknown;  // not counted: the outer object owns us
};

// The non-delegating inner unknown of an aggregated instance.
template <class T>
class AggregatedObject final : public IUnknown {
public:
    explicit AggregatedObject(IUnknown* outer) : contained(outer) { LockModule(); }
    ~AggregatedObject() {
        contained.FinalRelease();
        UnlockModule();
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown)) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return contained.InnerQueryInterface(iid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&refCount); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG count = InterlockedDecrement(&refCount);
        if (count == 0) delete this;
        return count;
    }

    ContainedObject<T> contained;

private:
    LONG refCount = 0;
};

// A class factory kept in the class table's cache. The table's own reference
// does not pin the module: the AddRef that brings the count to 2 (a client
// took it) locks the module and the Release back to 1 unlocks it, so a
// client holding a factory keeps the DLL loaded while the cache alone does
// not. The Release to 0 happens only at module termination.
template <class T>
class CachedObject final : public T {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
        return ComObjectRoot::QueryInterfaceFromTable(static_cast<T*>(this), T::InterfaceTable(), iid, ppv);
    }
    STDMETHODIMP_(ULONG) AddRef() override {
        const LONG count = InterlockedIncrement(&this->refCount);
        if (count == 2) LockModule();
        return count;
    }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG count = InterlockedDecrement(&this->refCount);
        if (count == 1) UnlockModule();
        if (count == 0) delete this;
        return count;
    }
};

// Instance creator: standalone with a null outer, else aggregated (the class
// factory has already refused aggregation for any IID but IID_IUnknown).
template <class T>
HRESULT CreateComObject(IUnknown* outer, REFIID iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;

    if (outer) {
        auto* aggregate = new (std::nothrow) AggregatedObject<T>(outer);
        if (!aggregate) return E_OUTOFMEMORY;
        HRESULT hr = aggregate->contained.InitializeObjectLock();
        if (SUCCEEDED(hr)) hr = aggregate->QueryInterface(iid, ppv);
        if (hr == S_OK) return S_OK;
        delete aggregate;
        return hr;
    }

    auto* object = new (std::nothrow) StandaloneObject<T>();
    if (!object) return E_OUTOFMEMORY;
    // Counted while the lock is made, so nothing inside can destroy it early.
    InterlockedIncrement(&object->refCount);
    HRESULT hr = object->InitializeObjectLock();
    InterlockedDecrement(&object->refCount);
    if (SUCCEEDED(hr)) {
        hr = object->QueryInterface(iid, ppv);
        if (hr == S_OK) return S_OK;
    }
    delete object;
    return hr;
}

using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID iid, void** ppv);

}  // namespace gainlet
