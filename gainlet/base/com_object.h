// The one shape of every COM object of the DLL, standalone or aggregated: the
// object holds its non-delegating inner unknown and the controlling unknown
// its interfaces' IUnknown methods go to, which is the outer object's when
// it is aggregated and its own inner unknown otherwise. One reference count,
// one creation path.
//
// A class T derives from ComObject<T, I1, I2, ...> and implements the
// interfaces' own methods. QueryInterface answers the interfaces of that
// list; the first also answers IID_IUnknown, which makes it the standalone
// object's identity. T may hide FinalRelease() with work that must run
// before the module is unlocked and its destructor runs, and may hide
// kCachedInClassTable (below). ComObject<T, ...>::Create is the creator the
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

using InstanceCreator = HRESULT (*)(IUnknown* outer, REFIID iid, void** ppv);

template <class T, class First, class... Rest>
class ComObject : public First, public Rest... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    // Standalone with a null outer, else aggregated (the class factory has
    // already refused aggregation for any IID but IID_IUnknown); arguments
    // after ppv go to T's constructor.
    template <class... Args>
    static HRESULT Create(IUnknown* outer, REFIID iid, void** ppv, Args... args) {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        T* object = new (std::nothrow) T(args...);
        if (!object) return E_OUTOFMEMORY;
        object->controlling = outer ? outer : &object->inner;
        // Counted while it is queried, so that nothing inside can destroy it
        // early; a failed query leaves the count back at 0.
        object->inner.AddRef();
        const HRESULT hr = object->inner.QueryInterface(iid, ppv);
        object->inner.Release();
        return hr;
    }

    // Every interface's IUnknown: the controlling unknown's.
    STDMETHODIMP QueryInterface(REFIID iid, void** ppv) final { return controlling->QueryInterface(iid, ppv); }
    STDMETHODIMP_(ULONG) AddRef() final { return controlling->AddRef(); }
    STDMETHODIMP_(ULONG) Release() final { return controlling->Release(); }

protected:
    // A class factory kept in the class table's cache hides this with true:
    // the table's own reference does not pin the module, so the AddRef that
    // brings the count to 2 (a client took it) locks the module and the
    // Release back to 1 unlocks it. A client holding the factory keeps the
    // DLL loaded while the cache alone does not; the Release to 0 happens
    // only at module termination. Every other object pins the module for
    // its whole life.
    static constexpr bool kCachedInClassTable = false;

    ComObject() : inner(this) {
        if (!T::kCachedInClassTable) LockModule();
    }
    ~ComObject() = default;

    void FinalRelease() {}

private:
    class InnerUnknown final : public IUnknown {
    public:
        explicit InnerUnknown(ComObject* owner) : owner(owner) {}

        STDMETHODIMP QueryInterface(REFIID iid, void** ppv) override {
            if (!ppv) return E_POINTER;
            *ppv = nullptr;
            ComObject* const self = owner;
            // The inner unknown is handed out only by an aggregated object:
            // to its outer object, as the aggregate's non-delegating unknown.
            if (IsEqualIID(iid, IID_IUnknown) && self->controlling != this) {
                *ppv = static_cast<IUnknown*>(this);
            } else {
                *ppv = self->Find(iid);
            }
            if (!*ppv) return E_NOINTERFACE;
            static_cast<IUnknown*>(*ppv)->AddRef();
            return S_OK;
        }
        STDMETHODIMP_(ULONG) AddRef() override {
            const LONG count = InterlockedIncrement(&refCount);
            if (T::kCachedInClassTable && count == 2) LockModule();
            return count;
        }
        STDMETHODIMP_(ULONG) Release() override {
            const LONG count = InterlockedDecrement(&refCount);
            if (T::kCachedInClassTable && count == 1) UnlockModule();
            if (count == 0) owner->Destroy();
            return count;
        }

    private:
        ComObject* const owner;
        LONG refCount = 0;
    };

    // The interface of the list that iid names, or null.
    void* Find(REFIID iid) {
        T* const self = static_cast<T*>(this);
        if (IsEqualIID(iid, __uuidof(First)) || IsEqualIID(iid, IID_IUnknown)) return static_cast<First*>(self);
        void* found = nullptr;
        (void)(... || (IsEqualIID(iid, __uuidof(Rest)) && (found = static_cast<Rest*>(self)) != nullptr));
        return found;
    }

    void Destroy() {
        T* const self = static_cast<T*>(this);
        self->FinalRelease();
        if (!T::kCachedInClassTable) UnlockModule();
        delete self;
    }

    InnerUnknown inner;
    IUnknown* controlling = nullptr;  // not counted: &inner, or the outer object that owns us
};

}  // namespace gainlet
