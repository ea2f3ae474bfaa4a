#include "regsvr32.h"

#include <windows.h>

const wchar_t kRegisterCommand[] = L"regsvr32.exe \"%s\"";
const wchar_t kUnregisterCommand[] = L"regsvr32.exe /u \"%s\"";

bool RunRegsvr32(const wchar_t* commandFormat, const wchar_t* dllPath)
{
    // CreateProcessW may write into the command line, so it lives in a
    // writable buffer. No application name: the platform's own search order
    // finds regsvr32.exe.
    wchar_t commandLine[1024];
    wsprintfW(commandLine, commandFormat, dllPath);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
