// Owners for Win32 handles and allocations, one template for every kind.
// Each kind is a traits type naming its handle type, the value that means
// "nothing held" and the function that gives the handle back.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <utility>

namespace gainlet {

template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(UniqueHandle&& other) noexcept : handle(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    Handle get() const noexcept { return handle; }
    explicit operator bool() const noexcept { return handle != Traits::Invalid(); }

    // Gives up ownership without closing.
    Handle release() noexcept { return std::exchange(handle, Traits::Invalid()); }

    // Closes what is held, if anything. The caller's last error survives:
    // code that closes on its way out still reports the failure that sent it
    // there.
    void reset(Handle replacement = Traits::Invalid()) noexcept {
        const Handle old = std::exchange(handle, replacement);
        if (old == Traits::Invalid()) return;
        const DWORD lastError = GetLastError();
        Traits::Close(old);
        SetLastError(lastError);
    }

    // For a function that returns a new handle through an out-parameter.
    Handle* put() noexcept {
        reset();
        return &handle;
    }

private:
    Handle handle = Traits::Invalid();
};

// Most kinds hold null when empty; a few are "invalid" at INVALID_HANDLE_VALUE.
template <typename H>
struct NullWhenEmpty {
    using Handle = H;
    static Handle Invalid() noexcept { return nullptr; }
};
struct InvalidValueWhenEmpty {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
};

// A kind given back by one call that takes the handle alone.
template <typename Empty, auto close>
struct ClosedBy : Empty {
    static void Close(typename Empty::Handle handle) noexcept { close(handle); }
};

using RegistryKey = UniqueHandle<ClosedBy<NullWhenEmpty<HKEY>, RegCloseKey>>;
// Processes, threads, events, pipes.
using KernelHandle = UniqueHandle<ClosedBy<NullWhenEmpty<HANDLE>, CloseHandle>>;
// CreateFileW reports failure as INVALID_HANDLE_VALUE, not null (and so does
// CreateToolhelp32Snapshot, whose snapshots this owns too).
using FileHandle = UniqueHandle<ClosedBy<InvalidValueWhenEmpty, CloseHandle>>;
using FindHandle = UniqueHandle<ClosedBy<InvalidValueWhenEmpty, FindClose>>;
using LibraryHandle = UniqueHandle<ClosedBy<NullWhenEmpty<HMODULE>, FreeLibrary>>;
using FontHandle = UniqueHandle<ClosedBy<NullWhenEmpty<HFONT>, DeleteObject>>;
using BitmapHandle = UniqueHandle<ClosedBy<NullWhenEmpty<HBITMAP>, DeleteObject>>;
// A device context of its own, from CreateCompatibleDC.
using MemoryDC = UniqueHandle<ClosedBy<NullWhenEmpty<HDC>, DeleteDC>>;
// A window this thread created and destroys.
using WindowHandle = UniqueHandle<ClosedBy<NullWhenEmpty<HWND>, DestroyWindow>>;
using OwnedBstr = UniqueHandle<ClosedBy<NullWhenEmpty<BSTR>, SysFreeString>>;
// Memory a COM call allocated for its caller.
template <typename T>
using CoTaskMemPtr = UniqueHandle<ClosedBy<NullWhenEmpty<T*>, CoTaskMemFree>>;

// A device context of the whole screen, from GetDC(nullptr).
struct ScreenDCTraits : NullWhenEmpty<HDC> {
    static void Close(HDC dc) noexcept { ReleaseDC(nullptr, dc); }
};
using ScreenDC = UniqueHandle<ScreenDCTraits>;

// A class object this thread registered with CoRegisterClassObject, by the
// cookie the registration returned.
struct ClassRegistrationTraits {
    using Handle = DWORD;
    static Handle Invalid() noexcept { return 0; }
    static void Close(DWORD cookie) noexcept { CoRevokeClassObject(cookie); }
};
using ClassRegistration = UniqueHandle<ClassRegistrationTraits>;

// A struct held by value whose contents one call gives back, taking the
// struct's address (MoFreeMediaType, say); empty is all zeros.
template <typename T, auto free>
class OwnedStruct {
public:
    OwnedStruct() noexcept = default;
    ~OwnedStruct() { reset(); }

    OwnedStruct(OwnedStruct&& other) noexcept : value(other.release()) {}
    OwnedStruct& operator=(OwnedStruct&& other) noexcept {
        if (this != &other) {
            reset();
            value = other.release();
        }
        return *this;
    }
    OwnedStruct(const OwnedStruct&) = delete;
    OwnedStruct& operator=(const OwnedStruct&) = delete;

    T* get() noexcept { return &value; }
    const T* get() const noexcept { return &value; }
    T* operator->() noexcept { return &value; }
    const T* operator->() const noexcept { return &value; }
    const T& operator*() const noexcept { return value; }

    // Hands the contents over and leaves this one empty.
    T release() noexcept { return std::exchange(value, T{}); }

    // Emptied before the contents are freed: freeing may call out (a media
    // type's format object is released), and that call must not find the
    // struct half torn down.
    void reset() noexcept {
        T old = release();
        free(&old);
    }

    // For a function that fills a struct its caller then owns.
    T* put() noexcept {
        reset();
        return &value;
    }

private:
    T value{};
};

// What CreateProcessW hands back: the new process and its first thread, both
// open, and their ids.
struct OwnedProcessInformation {
    OwnedProcessInformation() noexcept = default;
    explicit OwnedProcessInformation(const PROCESS_INFORMATION& started) noexcept
        : process(started.hProcess),
          thread(started.hThread),
          processId(started.dwProcessId),
          threadId(started.dwThreadId) {}

    KernelHandle process;
    KernelHandle thread;
    DWORD processId = 0;
    DWORD threadId = 0;
};

}  // namespace gainlet
