// A helper program started with its standard output in a pipe that the test
// reads: the test bed's host, the message-box helper, regsvr32.
#pragma once

#include <windows.h>

#include <string>

#include "common/unique_handle.h"

namespace gainlet::test {

class PipedProcess {
public:
    // Where the program's standard error goes: into the same pipe, or to
    // the test's own standard error.
    enum class Errors { IntoPipe, Inherited };

    // Starts commandLine; Started() tells whether it runs.
    explicit PipedProcess(const std::wstring& commandLine, Errors errors = Errors::IntoPipe);
    // Ends the program if it still runs.
    ~PipedProcess() { End(); }
    PipedProcess(const PipedProcess&) = delete;
    PipedProcess& operator=(const PipedProcess&) = delete;

    bool Started() const { return static_cast<bool>(process); }
    DWORD ProcessId() const { return processId; }
    DWORD ThreadId() const { return threadId; }

    // Everything the program writes, until it and whatever inherited the
    // pipe from it have closed their ends.
    std::string ReadToEnd();

    // Waits up to ms for the program to end: its exit code, or ~0 when it
    // has not ended (or never started).
    DWORD WaitForExit(DWORD ms);

    // Terminates the program if it still runs.
    void End();

private:
    KernelHandle process;
    KernelHandle thread;
    KernelHandle outputRead;
    DWORD processId = 0;
    DWORD threadId = 0;
};

}  // namespace gainlet::test
