#include "e2e_support.h"

#include "common/unique_handle.h"

namespace e2e {

std::wstring Env(const wchar_t* name) {
    wchar_t value[1024] = {};
    GetEnvironmentVariableW(name, value, ARRAYSIZE(value));
    return value;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

ProcessResult RunProcess(const std::wstring& commandLine) {
    ProcessResult result;
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    gainlet::KernelHandle readEnd, writeEnd;
    if (!CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0)) return result;
    SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION started = {};
    std::wstring line = commandLine;
    const bool running =
        CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started);
    // Only the child may hold the writing end, or the reads below never end.
    writeEnd.reset();
    if (!running) return result;
    const gainlet::OwnedProcessInformation child(started);
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(readEnd.get(), buffer, sizeof(buffer), &read, nullptr) && read) result.output.append(buffer, read);
    WaitForSingleObject(child.process.get(), INFINITE);
    GetExitCodeProcess(child.process.get(), &result.exitCode);
    return result;
}

DWORD Regsvr32(const std::wstring& options, const std::wstring& dll) {
    return RunProcess(L"regsvr32.exe /s " + options + Quoted(dll)).exitCode;
}

}  // namespace e2e
