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
    gainlet::KernelHandle outputWrite;
    if (!CreatePipe(outputRead.put(), outputWrite.put(), &inherit, 0)) return;
    SetHandleInformation(outputRead.get(), HANDLE_FLAG_INHERIT, 0);

    std::wstring commandLine = L"\"" + HelperPath() + L"\" --timeout 15000 \"" + caption + L"\" " + button;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outputWrite.get();
    startup.hStdError = outputWrite.get();
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::vector<wchar_t> mutableLine(commandLine.begin(), commandLine.end());
    mutableLine.push_back(L'\0');
    PROCESS_INFORMATION started{};
    if (CreateProcessW(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &started))
        helper = gainlet::OwnedProcessInformation(started);
}

MessageBoxAnswer::~MessageBoxAnswer() {
    if (helper.process && WaitForSingleObject(helper.process.get(), 0) == WAIT_TIMEOUT)
        TerminateProcess(helper.process.get(), 1);
}

MessageBoxAnswer::Report MessageBoxAnswer::Wait() {
    Report report;
    if (!helper.process) {
        report.output = "the message-box helper could not be started";
        return report;
    }
    char buffer[512];
    DWORD read = 0;
    while (ReadFile(outputRead.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        report.output.append(buffer, read);
    WaitForSingleObject(helper.process.get(), 20000);
    GetExitCodeProcess(helper.process.get(), &report.exitCode);
    return report;
}

}  // namespace gainlet_test
