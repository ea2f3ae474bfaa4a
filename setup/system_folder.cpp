#include "system_folder.h"

namespace gainlet::setup {

namespace {

// Newer than the platform version the installer is built for: declared here
// and looked up at run time.
const DWORD kSearchSystemFolderOnly = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(const wchar_t*);

}  // namespace

void RestrictDllSearchToSystemFolder() {
    // Present from Windows 8, and on Vista and 7 with their security update
    // for DLL preloading.
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const auto setDefault = LibraryFunction<SetDefaultDllDirectoriesFunction>(kernel32, "SetDefaultDllDirectories");
    if (setDefault && setDefault(kSearchSystemFolderOnly)) return;
    // Windows XP SP1 and later: an empty string takes the current directory
    // out of the search. The program's folder stays in it, which is why the
    // installer loads every DLL it does not import by full path.
    const auto setDllDirectory = LibraryFunction<SetDllDirectoryFunction>(kernel32, "SetDllDirectoryW");
    if (setDllDirectory) setDllDirectory(L"");
}

bool BuildSystemPath(const wchar_t* name, wchar_t* path) {
    const UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    if (length + 1 + lstrlenW(name) >= MAX_PATH) return false;
    if (path[length - 1] != L'\\') lstrcatW(path, L"\\");
    lstrcatW(path, name);
    return true;
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    if (!BuildSystemPath(name, path)) return nullptr;
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace gainlet::setup
