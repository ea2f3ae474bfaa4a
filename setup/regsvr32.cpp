#include "regsvr32.h"

#include <windows.h>

#include "common/unique_handle.h"
#include "system_folder.h"

namespace gainlet::setup {

const wchar_t kRegisterCommand[] = L"regsvr32.exe \"%s\"";
const wchar_t kUnregisterCommand[] = L"regsvr32.exe /u \"%s\"";

Regsvr32Result RunRegsvr32(const wchar_t* commandFormat, const wchar_t* dllPath) {
    // The tool of the system folder by its full path: a search by name would
    // look in the installer's own folder first and run whatever program lies
    // there under that name, with the installer's rights.
    wchar_t program[MAX_PATH];
    if (!BuildSystemPath(L"regsvr32.exe", program)) return Regsvr32Result::NotStarted;
    // CreateProcessW may write into the command line, so it lives in a
    // writable buffer.
    wchar_t commandLine[1024];
    wsprintfW(commandLine, commandFormat, dllPath);

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return Regsvr32Result::NotStarted;
    const gainlet::OwnedProcessInformation child(process);
    WaitForSingleObject(child.process.get(), INFINITE);
    DWORD exitCode = 0;
    // An exit code that cannot be read confirms nothing.
    const bool confirmed = GetExitCodeProcess(child.process.get(), &exitCode) && exitCode == 0;
    return confirmed ? Regsvr32Result::Succeeded : Regsvr32Result::Failed;
}

}  // namespace gainlet::setup
