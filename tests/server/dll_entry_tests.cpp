// Gainlet.dll's exported entry points, loaded as COM loads it: class
// objects, the module lock count as DllCanUnloadNow reports it, object
// identity and aggregation, in both kinds of apartment.
#include <gtest/gtest.h>

#include <initguid.h>
#include <ocidl.h>
#include <process.h>
#include <wrl/client.h>

#include <string>

#include "common/unique_handle.h"
#include "gainlet.h"
#include "outer_unknown.h"
#include "wmp_plugin.h"

namespace {

using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();
using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

using gainlet::test::Outer;
using Microsoft::WRL::ComPtr;

class DllEntryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        wchar_t path[MAX_PATH];
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring dll(path);
        dll.resize(dll.find_last_of(L'\\') + 1);
        dll += L"Gainlet.dll";
        module = LoadLibraryW(dll.c_str());
        ASSERT_NE(module, nullptr) << "cannot load Gainlet.dll beside the test program";
        canUnloadNow =
            reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
        getClassObject =
            reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
        ASSERT_TRUE(canUnloadNow && getClassObject);
        ASSERT_TRUE(GetProcAddress(module, "DllRegisterServer") && GetProcAddress(module, "DllUnregisterServer"));
    }
    void SetUp() override {
        if (!module) GTEST_SKIP();
        ASSERT_EQ(canUnloadNow(), S_OK) << "every test leaves the module unloadable";
    }
    void TearDown() override { EXPECT_EQ(canUnloadNow(), S_OK); }

public:
    ComPtr<IClassFactory> Factory(REFCLSID clsid) {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())), S_OK);
        return factory;
    }

protected:
    static HMODULE module;
    static CanUnloadNowFn canUnloadNow;
    static GetClassObjectFn getClassObject;
};

HMODULE DllEntryTest::module = nullptr;
CanUnloadNowFn DllEntryTest::canUnloadNow = nullptr;
GetClassObjectFn DllEntryTest::getClassObject = nullptr;

TEST_F(DllEntryTest, FactoryIsCachedAndPinsTheDllWhileHeld) {
    ComPtr<IClassFactory> first = Factory(CLSID_Gainlet);
    ComPtr<IClassFactory> second = Factory(CLSID_Gainlet);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    const void* cached = first.Get();
    first.Reset();
    second.Reset();
    EXPECT_EQ(canUnloadNow(), S_OK);

    ComPtr<IClassFactory> page = Factory(CLSID_GainletPropPage);
    ASSERT_NE(page, nullptr) << "the settings page has a class object too";
    EXPECT_NE(static_cast<const void*>(page.Get()), cached);
}

TEST_F(DllEntryTest, RefusalsOfDllGetClassObject) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(IID_IGainlet, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject(CLSID_Gainlet, IID_IPropertyPage, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(getClassObject(CLSID_Gainlet, IID_IClassFactory, nullptr), E_POINTER);
}

TEST_F(DllEntryTest, LockServerPinsTheDll) {
    // The cached class object outlives its last reference: the lock is taken
    // with none held.
    IClassFactory* const cached = Factory(CLSID_Gainlet).Get();
    ASSERT_NE(cached, nullptr);
    cached->LockServer(TRUE);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    cached->LockServer(FALSE);
}

// What the media player does with the DSP object's identity.
void CheckStandaloneObject(ComPtr<IClassFactory> factory, CanUnloadNowFn canUnloadNow) {
    ASSERT_NE(factory, nullptr);
    ComPtr<IMediaObject> object;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IMediaObject, reinterpret_cast<void**>(object.GetAddressOf())),
              S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE) << "a live object pins the DLL";

    {
        ComPtr<IUnknown> gainlet, unknown, enable, pages;
        EXPECT_EQ(object->QueryInterface(IID_IGainlet, reinterpret_cast<void**>(gainlet.GetAddressOf())), S_OK);
        EXPECT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf())), S_OK);
        EXPECT_EQ(object->QueryInterface(IID_IWMPPluginEnable, reinterpret_cast<void**>(enable.GetAddressOf())), S_OK);
        EXPECT_EQ(object->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(pages.GetAddressOf())),
                  S_OK);
        EXPECT_EQ(gainlet, unknown) << "IGainlet is the identity";
    }
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    EXPECT_EQ(object.Reset(), 0u);
    EXPECT_EQ(canUnloadNow(), S_OK);
}

TEST_F(DllEntryTest, StandaloneObjectInTheCallersApartment) {
    CheckStandaloneObject(Factory(CLSID_Gainlet), canUnloadNow);
}

TEST_F(DllEntryTest, StandaloneObjectsFromApartmentAndFreeThreads) {
    struct Run {
        DWORD model;
        DllEntryTest* test;
        static unsigned __stdcall Thread(void* arg) {
            auto* r = static_cast<Run*>(arg);
            CoInitializeEx(nullptr, r->model);
            CheckStandaloneObject(r->test->Factory(CLSID_Gainlet), canUnloadNow);
            CoUninitialize();
            return 0;
        }
    };
    for (DWORD model : {DWORD(COINIT_APARTMENTTHREADED), DWORD(COINIT_MULTITHREADED)}) {
        Run run{model, this};
        const gainlet::KernelHandle thread(
            reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run::Thread, &run, 0, nullptr)));
        WaitForSingleObject(thread.get(), INFINITE);
    }
}

TEST_F(DllEntryTest, AggregatedObjectForwardsToTheOuterUnknown) {
    ComPtr<IClassFactory> factory = Factory(CLSID_Gainlet);
    ASSERT_NE(factory, nullptr);
    Outer outer;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IMediaObject, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);

    ComPtr<IUnknown> inner;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(inner.GetAddressOf())), S_OK);
    factory.Reset();
    EXPECT_EQ(canUnloadNow(), S_FALSE);

    {
        ComPtr<IMediaObject> object;
        ASSERT_EQ(inner->QueryInterface(IID_IMediaObject, reinterpret_cast<void**>(object.GetAddressOf())), S_OK);
        EXPECT_EQ(outer.refs, 2);
        ComPtr<IMediaObject> copy = object;
        EXPECT_EQ(outer.refs, 3) << "AddRef went to the outer object";
    }
    EXPECT_EQ(outer.refs, 1);
    EXPECT_EQ(inner.Reset(), 0u);
}

}  // namespace
