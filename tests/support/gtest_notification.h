// Included ahead of GoogleTest in every test program: its Notification is
// written with std::mutex and std::condition_variable, which the
// win32-thread-model runtime we build with lacks. This one is a Win32 event.
#pragma once

#include <windows.h>

#include "common/unique_handle.h"

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification {
public:
    Notification() : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;

    void Notify() { SetEvent(event.get()); }
    void WaitForNotification() { WaitForSingleObject(event.get(), INFINITE); }

private:
    const gainlet::KernelHandle event;
};

}  // namespace internal
}  // namespace testing
