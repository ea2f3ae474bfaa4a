#include "type_library.h"

#include <oleauto.h>
#include <wrl/client.h>

#include "common/unique_handle.h"
#include "module_path.h"

using Microsoft::WRL::ComPtr;

namespace gainlet {
namespace {

// The identity of a loaded library, copied out of its TLIBATTR.
struct LibraryIdentity {
    GUID libraryId;
    WORD majorVersion;
    WORD minorVersion;
    LCID locale;
    SYSKIND systemKind;
};

HRESULT LoadModuleTypeLibrary(HMODULE module, wchar_t (&path)[MAX_PATH], ComPtr<ITypeLib>* library) {
    HRESULT hr = GetModulePath(module, path);
    if (FAILED(hr)) return hr;
    return LoadTypeLibEx(path, REGKIND_NONE, library->ReleaseAndGetAddressOf());
}

HRESULT ReadIdentity(ITypeLib* library, LibraryIdentity* identity) {
    TLIBATTR* attributes = nullptr;
    HRESULT hr = library->GetLibAttr(&attributes);
    if (FAILED(hr)) return hr;
    *identity = {attributes->guid, attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid,
                 attributes->syskind};
    library->ReleaseTLibAttr(attributes);
    return S_OK;
}

bool IsRegistered(const LibraryIdentity& identity) {
    OwnedBstr registeredPath;
    const HRESULT hr = QueryPathOfRegTypeLib(identity.libraryId, identity.majorVersion, identity.minorVersion,
                                             identity.locale, registeredPath.put());
    return SUCCEEDED(hr);
}

}  // namespace

HRESULT RegisterTypeLibrary(HMODULE module) {
    wchar_t path[MAX_PATH];
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadModuleTypeLibrary(module, path, &library);
    if (FAILED(hr)) return hr;

    hr = RegisterTypeLib(library.Get(), path, nullptr);
    if (FAILED(hr)) UnregisterTypeLibrary(module);
    return hr;
}

HRESULT UnregisterTypeLibrary(HMODULE module) {
    wchar_t path[MAX_PATH];
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadModuleTypeLibrary(module, path, &library);
    if (FAILED(hr)) return hr;
    LibraryIdentity identity;
    hr = ReadIdentity(library.Get(), &identity);
    if (FAILED(hr)) return hr;

    // UnRegisterTypeLib itself refuses a library that is not registered.
    if (!IsRegistered(identity)) return S_OK;
    return UnRegisterTypeLib(identity.libraryId, identity.majorVersion, identity.minorVersion, identity.locale,
                             identity.systemKind);
}

}  // namespace gainlet
