// Keeps a file open the way a virus scanner or a backup tool does, with the
// sharing it names, so that what another process may do with the file is
// what that sharing allows:
//
//   hold_file.exe PATH SHARING [SECONDS]
//
// SHARING is "-" for none, or any of r (read), w (write) and d (delete), for
// example "r" or "rwd". Prints "holding" once the file is open, then waits
// SECONDS (default 120) or until it is killed. Exit code 1 when the file
// cannot be opened, 2 for a wrong SHARING.
#include <windows.h>

#include "common/unique_handle.h"

namespace {

bool ParseSharing(const wchar_t* text, DWORD* sharing) {
    *sharing = 0;
    if (lstrcmpW(text, L"-") == 0) return true;
    for (; *text; ++text) {
        switch (*text) {
        case L'r': *sharing |= FILE_SHARE_READ; break;
        case L'w': *sharing |= FILE_SHARE_WRITE; break;
        case L'd': *sharing |= FILE_SHARE_DELETE; break;
        default: return false;
        }
    }
    return true;
}

void Print(const char* text) {
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, lstrlenA(text), &written, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    DWORD sharing = 0;
    if (argc < 3 || !ParseSharing(argv[2], &sharing)) return 2;
    const gainlet::FileHandle file(
        CreateFileW(argv[1], GENERIC_READ, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    Print(file ? "holding\n" : "cannot open\n");
    if (!file) return 1;
    const DWORD seconds = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 120;
    Sleep(seconds * 1000);
    return 0;
}
