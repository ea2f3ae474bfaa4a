// Prints the Program Files folder as the shell reports it to a program of
// this build, which is where the installer of the same build puts its files:
// "C:\Program Files" for a program native to the system, "C:\Program Files
// (x86)" for a 32-bit one on 64-bit Windows or under Wine's WoW64 mode.
//
//   program_files.exe        exit code 1 when the shell has no such folder
#include <windows.h>
#include <shlobj.h>

int wmain() {
    wchar_t path[MAX_PATH];
    if (!SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROGRAM_FILES, FALSE)) return 1;
    char utf8[3 * MAX_PATH];
    const int length = WideCharToMultiByte(CP_UTF8, 0, path, -1, utf8, sizeof utf8, nullptr, nullptr);
    if (length <= 1) return 1;
    utf8[length - 1] = '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8, length, &written, nullptr);
    return 0;
}
