#include "registry_delete.h"

#include "common/unique_handle.h"

namespace gainlet::setup {

void DeleteRegistryKey(HKEY root, const wchar_t* parentPath, const wchar_t* subKey) {
    gainlet::RegistryKey parent;
    if (RegOpenKeyExW(root, parentPath, 0, KEY_READ | KEY_WRITE, parent.put()) != ERROR_SUCCESS) return;
    RegDeleteKeyW(parent.get(), subKey);
}

}  // namespace gainlet::setup
