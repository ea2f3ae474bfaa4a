// Keeps a DLL loaded the way a host application does, so that deleting it
// is denied as long as this process lives:
//
//   hold_dll.exe PATH [SECONDS]
//
// Prints "holding" once the DLL is loaded, then waits SECONDS (default
// 120) or until it is killed. Exit code 1 when the DLL cannot be loaded.
#include <windows.h>

#include "common/unique_handle.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return 1;
    const gainlet::LibraryHandle module(LoadLibraryW(argv[1]));
    const char* status = module ? "holding\n" : "cannot load\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), status, lstrlenA(status), &written, nullptr);
    if (!module) return 1;
    const DWORD seconds = argc > 2 ? static_cast<DWORD>(_wtoi(argv[2])) : 120;
    Sleep(seconds * 1000);
    return 0;
}
