// The module record of the COM server: its class table, the lazily created
// class factories, and the answers of DllGetClassObject and DllCanUnloadNow.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "base/com_object.h"
#include "class_keys.h"

namespace gainlet {

struct ClassEntry {
    const CLSID* clsid;       // null ends the table
    const RegistryEntry* registryEntries;  // the class's keys below HKEY_CLASSES_ROOT
    InstanceCreator createInstance;
    IUnknown* volatile factoryCache;  // filled on first request, the table's own reference
};

// Constant-initialised, with nothing to destroy: a module record that needed
// construction at load would need a guard (a semaphore the runtime never
// closes) or a destructor registered with the runtime. Its critical section
// lives from Initialize to Terminate.
class ComModule {
public:
    constexpr ComModule() = default;
    ComModule(const ComModule&) = delete;
    ComModule& operator=(const ComModule&) = delete;

    // Process attach: makes table the active class table.
    void Initialize(ClassEntry* table);
    // Process detach: destroys the cached factories.
    void Terminate();

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** ppv);
    HRESULT CanUnloadNow() const;

private:
    CRITICAL_SECTION cacheLock{};  // held only around filling one cache
    ClassEntry* classes = nullptr;
};

}  // namespace gainlet
