// What an attacker leaves in a download folder, for the installer's tests:
// built once as a DLL and once as a program, and copied under the names a
// Windows program may load or start from its own folder (version.dll,
// uxtheme.dll, regsvr32.exe, ...). Whenever one of them runs, in a DLL's
// attach or a program's start, it leaves "<its own path>.ran" beside itself;
// the program then ends with 0, as a registration that succeeded would.
#include <windows.h>

namespace {

void LeaveMark(HMODULE self) {
    wchar_t mark[MAX_PATH + 8];
    const DWORD length = GetModuleFileNameW(self, mark, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    lstrcatW(mark, L".ran");
    const HANDLE file = CreateFileW(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
}

}  // namespace

#ifdef PLANTED_PROGRAM
int wmain() {
    LeaveMark(nullptr);
    return 0;
}
#else
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) LeaveMark(instance);
    return TRUE;
}
#endif
