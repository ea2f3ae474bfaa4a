// Class objects and the module lock count, on a class table of the test's
// own: the factory cache, server locks, aggregation rules and the
// double-checked creation under contention.
#include <gtest/gtest.h>

#include <ocidl.h>
#include <process.h>
#include <wrl/client.h>

#include <vector>

#include "common/unique_handle.h"
#include "server/com_module.h"
#include "outer_unknown.h"

namespace gainlet {
namespace {

// {2C1C7F4E-5A3B-4F0D-9B1E-6E0C2A7D9F31}
const CLSID CLSID_Probe = {0x2c1c7f4e, 0x5a3b, 0x4f0d, {0x9b, 0x1e, 0x6e, 0x0c, 0x2a, 0x7d, 0x9f, 0x31}};
// {2C1C7F4E-5A3B-4F0D-9B1E-6E0C2A7D9F32}
const CLSID CLSID_Unknown = {0x2c1c7f4e, 0x5a3b, 0x4f0d, {0x9b, 0x1e, 0x6e, 0x0c, 0x2a, 0x7d, 0x9f, 0x32}};

LONG created = 0;

class CProbe final : public ComObject<CProbe, IPersist> {
public:
    CProbe() { InterlockedIncrement(&created); }
    STDMETHODIMP GetClassID(CLSID* clsid) override {
        *clsid = CLSID_Probe;
        return S_OK;
    }
};

using Microsoft::WRL::ComPtr;
using test::Outer;

class ComModuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(ModuleLockCount(), 0);
        created = 0;
        module.Initialize(table);
    }
    void TearDown() override {
        module.Terminate();
        EXPECT_EQ(table[0].factoryCache, nullptr);
        EXPECT_EQ(ModuleLockCount(), 0);
    }

    // Owned, so that a failed assertion cannot leave the module pinned for
    // TearDown's checks and the next test.
    ComPtr<IClassFactory> Factory() {
        ComPtr<IClassFactory> factory;
        EXPECT_EQ(
            module.GetClassObject(CLSID_Probe, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())),
            S_OK);
        return factory;
    }

    ClassEntry table[2] = {
        {&CLSID_Probe, nullptr, CProbe::Create, nullptr},
        {nullptr, nullptr, nullptr, nullptr},
    };
    ComModule module;
};

TEST_F(ComModuleTest, CachedFactoryPinsTheModuleOnlyWhileAClientHoldsIt) {
    EXPECT_EQ(module.CanUnloadNow(), S_OK);
    auto first = Factory();
    auto second = Factory();
    ASSERT_NE(first.Get(), nullptr);
    EXPECT_EQ(first.Get(), second.Get()) << "one factory per class, handed out again";
    EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
    second.Reset();
    EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
    first.Reset();
    EXPECT_EQ(module.CanUnloadNow(), S_OK) << "the cache's own reference does not count";
    EXPECT_NE(table[0].factoryCache, nullptr);
}

TEST_F(ComModuleTest, UnknownClassOrInterfaceIsRefused) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(module.GetClassObject(CLSID_Unknown, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(module.GetClassObject(CLSID_Probe, IID_IPropertyPage, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(module.GetClassObject(CLSID_Probe, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(module.CanUnloadNow(), S_OK);
}

TEST_F(ComModuleTest, LockServerCountsWithoutChecks) {
    // No reference held: the module's cache keeps the factory alive.
    IClassFactory* const factory = Factory().Get();
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(module.CanUnloadNow(), S_FALSE);
    factory->LockServer(FALSE);
    EXPECT_EQ(module.CanUnloadNow(), S_OK);
}

TEST_F(ComModuleTest, CreateInstanceAndAggregationRules) {
    auto factory = Factory();
    ComPtr<IPersist> persist;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IPersist, reinterpret_cast<void**>(persist.GetAddressOf())), S_OK);
    factory.Reset();
    EXPECT_EQ(module.CanUnloadNow(), S_FALSE) << "a live object pins the module";
    persist.Reset();
    EXPECT_EQ(module.CanUnloadNow(), S_OK);

    factory = Factory();
    Outer outer;
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(&outer, IID_IPersist, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPersist, nullptr), E_POINTER);
    EXPECT_EQ(created, 1) << "refused requests construct nothing";

    // Declared after the outer object, which they count on, so released first.
    ComPtr<IUnknown> inner;
    ComPtr<IPersist> aggregated;
    ASSERT_EQ(factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(inner.GetAddressOf())), S_OK);
    ASSERT_EQ(inner->QueryInterface(IID_IPersist, reinterpret_cast<void**>(aggregated.GetAddressOf())), S_OK);
    EXPECT_EQ(outer.refs, 2) << "the aggregated interface counts on the outer object";
    aggregated.Reset();
    inner.Reset();
    factory.Reset();
    EXPECT_EQ(outer.refs, 1);
}

TEST_F(ComModuleTest, ConcurrentFirstRequestsShareOneFactory) {
    constexpr int kThreads = 16;
    const KernelHandle start(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    struct Shared {
        ComModule* module;
        HANDLE start;
        ComPtr<IClassFactory> results[kThreads];
        LONG next;
    } shared{&module, start.get(), {}, 0};

    // A plain function: thread procedures are __stdcall on i686.
    struct Worker {
        static unsigned __stdcall Run(void* arg) {
            auto* s = static_cast<Shared*>(arg);
            const LONG index = InterlockedIncrement(&s->next) - 1;
            WaitForSingleObject(s->start, INFINITE);
            s->module->GetClassObject(CLSID_Probe, IID_IClassFactory,
                                      reinterpret_cast<void**>(s->results[index].GetAddressOf()));
            return 0;
        }
    };
    std::vector<KernelHandle> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Worker::Run, &shared, 0, nullptr)));
    SetEvent(start.get());
    for (const KernelHandle& thread : threads) WaitForSingleObject(thread.get(), INFINITE);

    for (const auto& factory : shared.results) {
        ASSERT_NE(factory.Get(), nullptr);
        EXPECT_EQ(factory.Get(), shared.results[0].Get());
    }
    EXPECT_EQ(ModuleLockCount(), 1);
    for (auto& factory : shared.results) factory.Reset();
    EXPECT_EQ(module.CanUnloadNow(), S_OK);
}

}  // namespace
}  // namespace gainlet
