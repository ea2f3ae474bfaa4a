// The class object of one creatable class: hands its instance creator the
// caller's arguments after the aggregation check, and holds server locks.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "base/com_object.h"

namespace gainlet {

class ClassFactory final : public ComObject<ClassFactory, IClassFactory> {
public:
    // Makes a cached factory for creator and returns its IUnknown, the
    // class table's own (uncounted) reference.
    static HRESULT CreateCached(InstanceCreator creator, IUnknown** cache);

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL lock) override;

private:
    friend ComObject;
    static constexpr bool kCachedInClassTable = true;

    explicit ClassFactory(InstanceCreator creator) : creator(creator) {}
    ~ClassFactory() = default;

    const InstanceCreator creator;
};

}  // namespace gainlet
