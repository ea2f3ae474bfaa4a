#include "message_box_answer.h"

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

MessageBoxAnswer::MessageBoxAnswer(const wchar_t* caption, const wchar_t* button)
    : helper(L"\"" + HelperPath() + L"\" --timeout 15000 \"" + caption + L"\" " + button) {}

MessageBoxAnswer::Report MessageBoxAnswer::Wait() {
    Report report;
    if (!helper.Started()) {
        report.output = "the message-box helper could not be started";
        return report;
    }
    report.output = helper.ReadToEnd();
    report.exitCode = helper.WaitForExit(20000);
    return report;
}

}  // namespace gainlet_test
