#include "shell_open_recorder.h"

#include "settings/shell_open.h"

namespace gainlet_test {

std::vector<ShellOpenRequest>& ShellOpenRequests() {
    static std::vector<ShellOpenRequest> requests;
    return requests;
}

}  // namespace gainlet_test

namespace gainlet {

void OpenWithShell(HWND owner, const wchar_t* target) {
    gainlet_test::ShellOpenRequests().push_back({owner, target ? target : L"<null>"});
}

}  // namespace gainlet
