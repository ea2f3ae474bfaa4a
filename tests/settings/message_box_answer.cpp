#include "message_box_answer.h"

#include <vector>

namespace gainlet_test {
namespace {

std::wstring HelperPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder + L"msgbox_answer.exe";
}

}  // namespace

MessageBoxAnswer::MessageBoxAnswer(const wchar_t* caption, const wchar_t* button) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE outputWrite = nullptr;
    if (!CreatePipe(&outputRead, &outputWrite, &inherit, 0)) return;
    SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine = L"\"" + HelperPath() + L"\" --timeout 15000 \"" + caption + L"\" " + button;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outputWrite;
    startup.hStdError = outputWrite;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(outputWrite);
}

MessageBoxAnswer::~MessageBoxAnswer() {
    if (process.hProcess) {
        if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    if (outputRead) CloseHandle(outputRead);
}

MessageBoxAnswer::Report MessageBoxAnswer::Wait() {
    Report report;
    if (!process.hProcess) {
        report.output = "the message-box helper could not be started";
        return report;
    }
    char buffer[512];
    DWORD read = 0;
    while (ReadFile(outputRead, buffer, sizeof buffer, &read, nullptr) && read > 0) report.output.append(buffer, read);
    WaitForSingleObject(process.hProcess, 20000);
    GetExitCodeProcess(process.hProcess, &report.exitCode);
    return report;
}

}  // namespace gainlet_test
