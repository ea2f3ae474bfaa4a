#include "settings/module_resources.h"

#include <objbase.h>

#include <cstring>

#include "common/this_module.h"

namespace gainlet {

LPOLESTR LoadTaskMemString(UINT id) {
    // With a zero buffer size LoadStringW hands out a pointer into the
    // resource itself; that text is not terminated.
    const wchar_t* resource = nullptr;
    const int length = LoadStringW(ThisModule(), id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (length <= 0 || !resource) return nullptr;

    auto* copy = static_cast<LPOLESTR>(CoTaskMemAlloc((static_cast<size_t>(length) + 1) * sizeof(wchar_t)));
    if (!copy) return nullptr;
    std::memcpy(copy, resource, static_cast<size_t>(length) * sizeof(wchar_t));
    copy[length] = L'\0';
    return copy;
}

}  // namespace gainlet
