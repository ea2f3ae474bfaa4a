// What the registry holds, read as a test checks it.
#pragma once

#include <windows.h>

#include <string>

namespace gainlet::test {

// True when root\path opens for reading.
bool KeyExists(HKEY root, const std::wstring& path);

// The REG_SZ data of a value of root\path (name null: the default value);
// "<absent>" for a missing key or value, "<not REG_SZ>" for another type.
std::wstring StringValue(HKEY root, const std::wstring& path, const wchar_t* name);

}  // namespace gainlet::test
