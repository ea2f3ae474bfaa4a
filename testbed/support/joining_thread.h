// A thread that runs one function and is joined by its owner, for the test
// bed and the tests. Everything is built with the win32-thread-model
// compilers (what ships must not carry winpthreads), whose runtime has no
// std::thread.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <utility>

#include "common/unique_handle.h"

namespace testbed {

class JoiningThread {
public:
    JoiningThread() = default;
    explicit JoiningThread(std::function<void()> body) {
        auto owned = std::make_unique<std::function<void()>>(std::move(body));
        handle.reset(CreateThread(nullptr, 0, &Run, owned.get(), 0, nullptr));
        if (!handle) std::terminate();
        owned.release();  // the thread deletes it
    }
    JoiningThread(JoiningThread&& other) noexcept = default;
    JoiningThread& operator=(JoiningThread&& other) noexcept {
        if (this != &other) {
            join();
            handle = std::move(other.handle);
        }
        return *this;
    }
    JoiningThread(const JoiningThread&) = delete;
    JoiningThread& operator=(const JoiningThread&) = delete;
    ~JoiningThread() { join(); }

    bool joinable() const { return static_cast<bool>(handle); }
    void join() {
        if (!handle) return;
        WaitForSingleObject(handle.get(), INFINITE);
        handle.reset();
    }

private:
    static DWORD WINAPI Run(void* parameter) {
        std::unique_ptr<std::function<void()>> body(static_cast<std::function<void()>*>(parameter));
        (*body)();
        return 0;
    }

    gainlet::KernelHandle handle;
};

}  // namespace testbed
