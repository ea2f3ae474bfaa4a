#include "regsvr32.h"

#include <windows.h>

#include "common/unique_handle.h"

namespace gainlet::setup {

const wchar_t kRegisterCommand[] = L"regsvr32.exe \"%s\"";
const wchar_t kUnregisterCommand[] = L"regsvr32.exe /u \"%s\"";

Regsvr32Result RunRegsvr32(const wchar_t* commandFormat, const wchar_t* dllPath) {
    // CreateProcessW may write into the command line, so it lives in a
    // writable buffer. No application name: the platform's own search order
    // finds regsvr32.exe.
    wchar_t commandLine[1024];
    wsprintfW(commandLine, commandFormat, dllPath);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return Regsvr32Result::NotStarted;
    const gainlet::KernelHandle thread(process.hThread);
    const gainlet::KernelHandle child(process.hProcess);
    WaitForSingleObject(child.get(), INFINITE);
    DWORD exitCode = 0;
    // An exit code that cannot be read confirms nothing.
    const bool confirmed = GetExitCodeProcess(child.get(), &exitCode) && exitCode == 0;
    return confirmed ? Regsvr32Result::Succeeded : Regsvr32Result::Failed;
}

}  // namespace gainlet::setup
