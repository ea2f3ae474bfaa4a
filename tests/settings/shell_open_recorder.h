// The settings tests' shell: OpenWithShell is linked from here instead of
// the module's own source, so a click records what the page asked the shell
// to open and no browser starts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace gainlet_test {

struct ShellOpenRequest {
    HWND owner;
    std::wstring target;
};

// Every request since the program started, oldest first.
std::vector<ShellOpenRequest>& ShellOpenRequests();

}  // namespace gainlet_test
