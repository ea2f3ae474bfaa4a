#include "e2e_support.h"

#include "piped_process.h"

namespace e2e {

std::wstring Env(const wchar_t* name) {
    wchar_t value[1024] = {};
    GetEnvironmentVariableW(name, value, ARRAYSIZE(value));
    return value;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

ProcessResult RunProcess(const std::wstring& commandLine) {
    using gainlet::test::PipedProcess;
    ProcessResult result;
    PipedProcess program(commandLine, PipedProcess::Errors::Inherited);
    if (!program.Started()) return result;
    result.output = program.ReadToEnd();
    result.exitCode = program.WaitForExit(INFINITE);
    return result;
}

DWORD Regsvr32(const std::wstring& options, const std::wstring& dll) {
    return RunProcess(L"regsvr32.exe /s " + options + Quoted(dll)).exitCode;
}

}  // namespace e2e
