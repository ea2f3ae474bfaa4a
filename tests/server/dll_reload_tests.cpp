// A host that loads and unloads the plug-in over and over, as a media player
// does while tracks and sessions come and go: every unload must give back
// what the load took (thread-local storage slots, heap), or the host dies
// after a thousand cycles or so. The C++ runtime's own per-load allocations
// are what this catches: winpthreads' slot, the exceptions' emergency pool.
#include <gtest/gtest.h>

#include <initguid.h>
#include <mediaobj.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "common/unique_handle.h"
#include "gainlet.h"

namespace {

constexpr int kWarmUpCycles = 50;
constexpr int kCycles = 3000;
// A leak of even 32 bytes a cycle would pass 96 KB over the run.
constexpr SIZE_T kHeapGrowthBound = 64 * 1024;

std::wstring DllBesideTheProgram() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dll(path, length);
    dll.resize(dll.find_last_of(L'\\') + 1);
    return dll + L"Gainlet.dll";
}

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

struct Way {
    const char* name;
    Cycle cycle;
};

class DllReload : public ::testing::TestWithParam<Way> {};

TEST_P(DllReload, EveryUnloadGivesBackWhatTheLoadTook) {
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

    std::string failure;
    for (int i = 0; i < kWarmUpCycles; ++i) ASSERT_TRUE(GetParam().cycle(dll, &failure)) << failure;
    const DWORD tlsBefore = FreshTlsIndex();
    const SIZE_T heapBefore = BusyHeapBytes();

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kCycles; ++i) ASSERT_TRUE(GetParam().cycle(dll, &failure)) << "cycle " << i << ": " << failure;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    const DWORD tlsAfter = FreshTlsIndex();
    const SIZE_T heapAfter = BusyHeapBytes();
    std::printf("%s: %d cycles in %.1f s; busy heap %lu -> %lu bytes\n", GetParam().name, kCycles, seconds,
                static_cast<unsigned long>(heapBefore), static_cast<unsigned long>(heapAfter));

    EXPECT_NE(tlsAfter, TLS_OUT_OF_INDEXES);
    EXPECT_EQ(tlsAfter, tlsBefore) << "a load took a thread-local storage slot it did not give back";
    EXPECT_LT(heapAfter, heapBefore + kHeapGrowthBound) << "the heap grew with the cycles";
}

INSTANTIATE_TEST_SUITE_P(Hosts, DllReload, ::testing::Values(Way{"Com", ComCycle}, Way{"LoadLibrary", LibraryCycle}),
                         [](const ::testing::TestParamInfo<Way>& info) { return std::string(info.param.name); });

}  // namespace
