#include "piped_process.h"

namespace gainlet::test {

PipedProcess::PipedProcess(const std::wstring& commandLine, Errors errors) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    KernelHandle outputWrite;
    if (!CreatePipe(outputRead.put(), outputWrite.put(), &inherit, 0)) return;
    // Only the write end goes to the program: the read end sees the end of
    // the output once the program's copy of the write end is gone.
    SetHandleInformation(outputRead.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outputWrite.get();
    startup.hStdError = errors == Errors::IntoPipe ? outputWrite.get() : GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring line = commandLine;  // CreateProcessW may write to it
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started)) return;
    process.reset(started.hProcess);
    thread.reset(started.hThread);
    processId = started.dwProcessId;
    threadId = started.dwThreadId;
}

std::string PipedProcess::ReadToEnd() {
    std::string output;
    if (!process) return output;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(outputRead.get(), buffer, sizeof buffer, &read, nullptr) && read) output.append(buffer, read);
    return output;
}

DWORD PipedProcess::WaitForExit(DWORD ms) {
    if (!process || WaitForSingleObject(process.get(), ms) != WAIT_OBJECT_0) return ~0u;
    DWORD exitCode = ~0u;
    GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}

void PipedProcess::End() {
    if (process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) TerminateProcess(process.get(), 1);
}

}  // namespace gainlet::test
