// The class object of one creatable class: hands its instance creator the
// caller's arguments after the aggregation check, and holds server locks.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "base/com_object.h"

namespace gainlet {

class ClassFactory : public ComObjectRoot, public IClassFactory {
public:
    static const InterfaceEntry* InterfaceTable();

    // Makes a cached factory for creator and returns its IUnknown, the
    // class table's own (uncounted) reference.
    static HRESULT CreateCached(InstanceCreator creator, IUnknown** cache);

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL lock) override;

protected:
    ClassFactory() = default;

private:
    InstanceCreator creator = nullptr;
};

}  // namespace gainlet
