// The registry keys of a COM class, written as data: each entry one value
// of one key below a root (HKEY_CLASSES_ROOT for the DLL's classes).
#pragma once

#include <windows.h>

namespace gainlet {

// A class's entries come parent key first and end with a null key. The
// first entry names the class key, which registering rebuilds from scratch;
// a key with an entry for its default value is the class's own and goes
// when unregistering leaves it without subkeys.
struct RegistryEntry {
    const wchar_t* key;        // below the root; null ends the list
    const wchar_t* valueName;  // null: the key's default value
    const wchar_t* data;       // REG_SZ; null: the module's full path
};

// Deletes the class key with everything below it, then writes the entries
// in order. A failure takes back the entries written before it and is
// returned.
HRESULT RegisterClassKeys(HKEY root, const RegistryEntry* entries, const wchar_t* modulePath);

// In reverse order: deletes each named value, and each key whose default
// value the entries set unless something else still has a subkey there.
// What is already missing is no error.
HRESULT UnregisterClassKeys(HKEY root, const RegistryEntry* entries);

}  // namespace gainlet
