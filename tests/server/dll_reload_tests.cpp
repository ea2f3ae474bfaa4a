// A host that loads and unloads the plug-in over and over, as a media player
// does while tracks and sessions come and go: every unload must give back
// what the load took (kernel handles, thread-local storage slots, heap), or
// the host runs out of them after enough cycles. Each cycle is held against
// the state before it, exactly, with the handles counted by type; a host
// that leaks one handle a cycle on purpose shows that the count sees it.
#include <gtest/gtest.h>

#include <initguid.h>
#include <mediaobj.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "gainlet.h"

namespace {

constexpr int kWarmUpCycles = 20;
constexpr int kCycles = 300;

std::wstring DllBesideTheProgram() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path, length);
    dll.resize(dll.find_last_of(L'\\') + 1);
    return dll + L"Gainlet.dll";
}

// The process's kernel handles by object type, from the system's handle
// list (the platform's own handle count, GetProcessHandleCount, answers 0
// under Wine) and each handle's type as the object manager names it.
class HandleCensus {
public:
    HandleCensus() {
        const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        querySystem = reinterpret_cast<QuerySystemInformation>(
            reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
        queryObject = reinterpret_cast<QueryObject>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryObject")));
    }

    bool Available() const { return querySystem && queryObject; }

    std::map<std::wstring, long> Take() {
        constexpr ULONG kSystemHandleInformation = 16;
        constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
        for (;;) {
            ULONG needed = 0;
            const LONG status =
                querySystem(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
            if (status == kInfoLengthMismatch) {
                // With room to spare: a buffer that grew during the cycles would count as heap they took.
                buffer.resize(2 * (needed > buffer.size() ? needed : buffer.size()));
                continue;
            }
            if (status < 0) return {{L"<system handle list unavailable>", 1}};
            break;
        }
        const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
        const DWORD self = GetCurrentProcessId();
        std::map<std::wstring, long> census;
        for (ULONG i = 0; i < list->count; ++i) {
            const HandleEntry& entry = list->entries[i];
            if (entry.ownerPid != self) continue;
            ++census[TypeOf(reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(entry.value)))];
        }
        return census;
    }

private:
    struct HandleEntry {
        ULONG ownerPid;
        BYTE objectType;
        BYTE flags;
        USHORT value;
        void* object;
        ACCESS_MASK access;
    };
    struct HandleList {
        ULONG count;
        HandleEntry entries[1];
    };
    struct CountedString {  // the type information starts with the type's name
        USHORT length;
        USHORT capacity;
        wchar_t* text;
    };
    using QuerySystemInformation = LONG(WINAPI*)(ULONG, void*, ULONG, ULONG*);
    using QueryObject = LONG(WINAPI*)(HANDLE, ULONG, void*, ULONG, ULONG*);

    std::wstring TypeOf(HANDLE handle) {
        constexpr ULONG kObjectTypeInformation = 2;
        alignas(8) BYTE information[1024];
        ULONG returned = 0;
        if (queryObject(handle, kObjectTypeInformation, information, sizeof information, &returned) < 0)
            return L"<unknown type>";
        const auto* name = reinterpret_cast<const CountedString*>(information);
        return std::wstring(name->text, name->length / sizeof(wchar_t));
    }

    QuerySystemInformation querySystem = nullptr;
    QueryObject queryObject = nullptr;
    std::vector<BYTE> buffer = std::vector<BYTE>(256 * 1024);
};

// Bytes in use on every heap of the process.
SIZE_T BusyHeapBytes() {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    SIZE_T busy = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return busy;
}

// The slot a new TlsAlloc gets: the same before and after only when every
// load gave its slots back.
DWORD FreshTlsIndex() {
    const DWORD index = TlsAlloc();
    if (index != TLS_OUT_OF_INDEXES) TlsFree(index);
    return index;
}

struct Resources {
    std::map<std::wstring, long> handles;
    DWORD tlsIndex = 0;
    SIZE_T heapBytes = 0;
};

// What a cycle changed, as "Semaphore +1, heap +32 bytes"; empty for nothing.
std::string Change(const Resources& before, const Resources& after) {
    std::string change;
    auto add = [&](const std::string& what) { change += (change.empty() ? "" : ", ") + what; };
    std::map<std::wstring, long> difference = after.handles;
    for (const auto& [type, count] : before.handles) difference[type] -= count;
    for (const auto& [type, count] : difference) {
        if (count == 0) continue;
        char text[160];
        std::snprintf(text, sizeof text, "%ls %+ld", type.c_str(), count);
        add(text);
    }
    if (after.tlsIndex != before.tlsIndex) add("thread-local storage slots taken");
    if (after.heapBytes != before.heapBytes) {
        char text[64];
        std::snprintf(text, sizeof text, "heap %+lld bytes",
                      static_cast<long long>(after.heapBytes) - static_cast<long long>(before.heapBytes));
        add(text);
    }
    return change;
}

// The class registered for the run, pointing at the DLL under test (Wine's
// COM does not look at per-user classes).
class TestClassRegistration {
public:
    explicit TestClassRegistration(const std::wstring& dll) {
        const std::wstring key = KeyPath() + L"\\InprocServer32";
        gainlet::RegistryKey handle;
        DWORD disposition = 0;
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, handle.put(),
                            &disposition) != ERROR_SUCCESS)
            return;
        if (disposition != REG_CREATED_NEW_KEY) return;  // someone else's: leave it alone
        owned = true;
        const wchar_t both[] = L"Both";
        registered = RegSetValueExW(handle.get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(dll.c_str()),
                                    static_cast<DWORD>((dll.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS &&
                     RegSetValueExW(handle.get(), L"ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>(both),
                                    sizeof both) == ERROR_SUCCESS;
    }
    ~TestClassRegistration() {
        if (!owned) return;
        RegDeleteKeyW(HKEY_CLASSES_ROOT, (KeyPath() + L"\\InprocServer32").c_str());
        RegDeleteKeyW(HKEY_CLASSES_ROOT, KeyPath().c_str());
    }
    bool registered = false;

private:
    bool owned = false;
    static std::wstring KeyPath() {
        wchar_t clsid[40];
        StringFromGUID2(CLSID_Gainlet, clsid, 40);
        return std::wstring(L"CLSID\\") + clsid;
    }
};

// One way of loading: returns false (with a message) when a cycle failed.
using Cycle = bool (*)(const std::wstring& dll, std::string* failure);

bool ComCycle(const std::wstring&, std::string* failure) {
    IMediaObject* object = nullptr;
    const HRESULT hr = CoCreateInstance(CLSID_Gainlet, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaObject,
                                        reinterpret_cast<void**>(&object));
    if (FAILED(hr)) {
        char text[64];
        std::snprintf(text, sizeof text, "CoCreateInstance: 0x%08lX", static_cast<unsigned long>(hr));
        *failure = text;
        return false;
    }
    object->Release();
    CoFreeUnusedLibrariesEx(0, 0);
    if (GetModuleHandleW(L"Gainlet.dll")) {
        *failure = "COM kept Gainlet.dll loaded after the last release";
        return false;
    }
    return true;
}

bool LibraryCycle(const std::wstring& dll, std::string* failure) {
    gainlet::LibraryHandle module(LoadLibraryW(dll.c_str()));
    if (!module) {
        *failure = "LoadLibrary failed";
        return false;
    }
    module.reset();
    if (GetModuleHandleW(L"Gainlet.dll")) {
        *failure = "Gainlet.dll stayed loaded after FreeLibrary";
        return false;
    }
    return true;
}

// A load that leaves an event behind every time: what a leak looks like.
bool LeakingLibraryCycle(const std::wstring& dll, std::string* failure) {
    CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return LibraryCycle(dll, failure);
}

struct Way {
    const char* name;
    Cycle cycle;
    const char* expectedChange;  // of every cycle
};

class DllReload : public ::testing::TestWithParam<Way> {};

TEST_P(DllReload, EachCycleLeavesExactlyWhatItShould) {
    const std::wstring dll = DllBesideTheProgram();
    struct Apartment {
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ~Apartment() {
            if (SUCCEEDED(hr)) CoUninitialize();
        }
    } apartment;
    ASSERT_EQ(apartment.hr, S_OK);
    TestClassRegistration registration(dll);
    ASSERT_TRUE(registration.registered) << "cannot register the class, or it was registered already";
    HandleCensus census;
    ASSERT_TRUE(census.Available());

    std::string failure;
    for (int i = 0; i < kWarmUpCycles; ++i) ASSERT_TRUE(GetParam().cycle(dll, &failure)) << failure;

    // The heap is measured while exactly one census is held, so that the
    // census itself never counts.
    Resources before;
    before.handles = census.Take();
    before.heapBytes = BusyHeapBytes();
    before.tlsIndex = FreshTlsIndex();
    ASSERT_FALSE(before.handles.empty()) << "no handles of this process seen at all";
    int mismatches = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCycles; ++i) {
        ASSERT_TRUE(GetParam().cycle(dll, &failure)) << "cycle " << i << ": " << failure;
        Resources after;
        after.heapBytes = BusyHeapBytes();
        after.tlsIndex = FreshTlsIndex();
        after.handles = census.Take();
        bool reported = false;
        if (const std::string change = Change(before, after); change != GetParam().expectedChange) {
            if (++mismatches <= 5) {
                ADD_FAILURE() << "cycle " << i << " left: " << (change.empty() ? "nothing" : change);
                reported = true;
            }
        }
        before = std::move(after);
        // A failure the test has just recorded is heap of its own.
        if (reported) before.heapBytes = BusyHeapBytes();
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s: %d cycles in %.1f s, %d not as expected\n", GetParam().name, kCycles, seconds, mismatches);
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(Hosts, DllReload,
                         ::testing::Values(Way{"Com", ComCycle, ""}, Way{"LoadLibrary", LibraryCycle, ""},
                                           Way{"LoadLibraryLeakingAnEvent", LeakingLibraryCycle, "Event +1"}),
                         [](const ::testing::TestParamInfo<Way>& info) { return std::string(info.param.name); });

}  // namespace
