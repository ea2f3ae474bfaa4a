// Answers the next message box with the test bed's helper program, which
// finds it by caption, reports its buttons and text, and presses a button.
#pragma once

#include <windows.h>

#include <string>

#include "piped_process.h"

namespace gainlet_test {

class MessageBoxAnswer {
public:
    struct Report {
        DWORD exitCode = ~0u;
        std::string output;  // UTF-8
    };

    // Starts the helper, which then waits for a box titled caption.
    MessageBoxAnswer(const wchar_t* caption, const wchar_t* button);
    MessageBoxAnswer(const MessageBoxAnswer&) = delete;
    MessageBoxAnswer& operator=(const MessageBoxAnswer&) = delete;

    // Waits for the helper to finish and returns what it reported.
    Report Wait();

private:
    gainlet::test::PipedProcess helper;
};

}  // namespace gainlet_test
