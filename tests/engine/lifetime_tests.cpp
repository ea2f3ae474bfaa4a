// Identity, aggregation and lifetime of the DSP object, in single- and
// multi-threaded apartments.
#include <gtest/gtest.h>

#include <functional>

#include "dsp_test_support.h"
#include "joining_thread.h"
#include "outer_unknown.h"

namespace gainlet::test {
namespace {

const IID* const kInterfaces[] = {&IID_IGainlet, &IID_IMediaObject, &IID_IWMPPluginEnable, &IID_ISpecifyPropertyPages};

// Owned, so that a failed assertion cannot leave a reference behind for the
// next test's module lock count.
template <typename T = IUnknown>
ComPtr<T> Query(IUnknown* from, REFIID iid) {
    ComPtr<T> result;
    EXPECT_EQ(from->QueryInterface(iid, reinterpret_cast<void**>(result.GetAddressOf())), S_OK);
    return result;
}

TEST(DspIdentity, EveryInterfaceReachesEveryOtherAndOneIdentity) {
    auto dsp = CreateDsp();
    const auto identity = Query(dsp.Get(), IID_IUnknown);
    EXPECT_EQ(identity.Get(), Query(dsp.Get(), IID_IGainlet).Get()) << "IGainlet is the identity";

    for (const IID* from : kInterfaces) {
        const auto start = Query(dsp.Get(), *from);
        EXPECT_EQ(Query(start.Get(), IID_IUnknown).Get(), identity.Get());
        for (const IID* to : kInterfaces) EXPECT_EQ(Query(start.Get(), *to).Get(), Query(identity.Get(), *to).Get());
    }

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(dsp->QueryInterface(IID_IPropertyPage, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(dsp->QueryInterface(IID_IMediaBuffer, &none), E_NOINTERFACE);
    EXPECT_EQ(dsp->QueryInterface(IID_IGainlet, nullptr), E_POINTER);
}

TEST(DspAggregation, InterfacesDelegateToTheOuterUnknown) {
    ASSERT_EQ(ModuleLockCount(), 0);
    Outer outer;
    TestBuffer held(16, 16);
    ComPtr<IUnknown> inner;
    ASSERT_EQ(CGainlet::Create(&outer, IID_IUnknown, reinterpret_cast<void**>(inner.GetAddressOf())), S_OK);
    EXPECT_EQ(ModuleLockCount(), 1);
    EXPECT_EQ(outer.refs, 1) << "the inner unknown counts itself";
    EXPECT_EQ(Query(inner.Get(), IID_IUnknown).Get(), inner.Get());

    for (const IID* iid : kInterfaces) {
        auto face = Query(inner.Get(), *iid);
        EXPECT_NE(face.Get(), inner.Get());
        EXPECT_EQ(outer.refs, 2) << "the interface's reference belongs to the outer object";
        void* through = nullptr;
        EXPECT_EQ(face->QueryInterface(IID_IMediaObject, &through), E_NOINTERFACE);
        EXPECT_EQ(outer.lastQueried, IID_IMediaObject) << "asked of the outer object";
        {
            auto copy = face;
            EXPECT_EQ(outer.refs, 3);
        }
        face.Reset();
        EXPECT_EQ(outer.refs, 1);
    }

    // The inner object's final release drops a held buffer.
    auto dsp = Query<IMediaObject>(inner.Get(), IID_IMediaObject);
    Negotiate(dsp.Get(), Pcm(16));
    ASSERT_EQ(dsp->ProcessInput(0, &held, 0, 0, 0), S_OK);
    dsp.Reset();
    EXPECT_EQ(held.refs, 2);
    EXPECT_EQ(inner.Reset(), 0u);
    EXPECT_EQ(held.refs, 1);
    EXPECT_EQ(outer.refs, 1);
    EXPECT_EQ(ModuleLockCount(), 0);
}

// Creates, negotiates, streams and destroys objects; checks the module lock
// count and the held buffer's references on the way.
void LifetimeCycle() {
    ASSERT_EQ(ModuleLockCount(), 0);
    TestBuffer held(64, 64);
    {
        auto first = CreateDsp();
        auto second = CreateDsp();
        EXPECT_EQ(ModuleLockCount(), 2);
        Negotiate(first.Get(), Pcm(16));
        ASSERT_EQ(first->ProcessInput(0, &held, 0, 0, 0), S_OK);
        ComPtr<IGainlet> extra;
        ASSERT_EQ(first.As(&extra), S_OK);
        first.Reset();
        EXPECT_EQ(held.refs, 2) << "a reference elsewhere keeps the object alive";
        EXPECT_EQ(ModuleLockCount(), 2);
        extra.Reset();
        EXPECT_EQ(held.refs, 1);
        EXPECT_EQ(ModuleLockCount(), 1);
    }
    EXPECT_EQ(ModuleLockCount(), 0);
}

void RunInApartment(DWORD model, const std::function<void()>& body) {
    HRESULT init = E_FAIL;
    testbed::JoiningThread([&] {
        init = CoInitializeEx(nullptr, model);
        if (FAILED(init)) return;
        body();
        CoUninitialize();
    }).join();
    EXPECT_EQ(init, S_OK);
}

TEST(DspLifetime, SingleThreadedApartment) { RunInApartment(COINIT_APARTMENTTHREADED, LifetimeCycle); }

TEST(DspLifetime, MultiThreadedApartment) { RunInApartment(COINIT_MULTITHREADED, LifetimeCycle); }

// The "Both" model: in the multi-threaded apartment one thread streams
// while another changes the gain, polls the meter and drops its reference.
TEST(DspLifetime, ConcurrentUseFromTheMultiThreadedApartment) {
    RunInApartment(COINIT_MULTITHREADED, [] {
        auto dsp = CreateDsp();
        Negotiate(dsp.Get(), Pcm(16));
        ComPtr<IGainlet> gainlet;
        ASSERT_EQ(dsp.As(&gainlet), S_OK);

        volatile LONG stop = 0;
        testbed::JoiningThread controller([&stop, control = gainlet] {
            for (int i = 0; !stop; ++i) {
                control->SetGain(static_cast<float>(i % 2 ? 0 : -6));
                float peak;
                BOOL processed;
                control->GetPeak(&peak, &processed, TRUE);
            }
        });
        struct StopOnExit {
            volatile LONG& stop;
            testbed::JoiningThread& thread;
            ~StopOnExit() {
                InterlockedExchange(&stop, 1);
                thread.join();
            }
        } stopOnExit{stop, controller};

        TestBuffer in(4096, 4096);
        for (DWORD i = 0; i < in.memory.size(); i += 2) in.memory[i + 1] = 0x40;  // 16384
        for (int run = 0; run < 2000; ++run) {
            ASSERT_EQ(dsp->ProcessInput(0, &in, 0, 0, 0), S_OK);
            TestBuffer out(4096);
            DMO_OUTPUT_DATA_BUFFER element{&out, 0, 0, 0};
            ASSERT_EQ(dsp->ProcessOutput(0, 1, &element, nullptr), S_OK);
            for (DWORD i = 0; i < out.length; i += 2) {
                const INT16 sample = static_cast<INT16>(out.memory[i] | out.memory[i + 1] << 8);
                // Each sample sees one whole gain: 0 dB or -6 dB, nothing torn.
                ASSERT_TRUE(sample == 16384 || sample == 8192) << sample;
            }
        }
        dsp.Reset();
        EXPECT_EQ(in.refs, 1);
    });
    EXPECT_EQ(ModuleLockCount(), 0);
}

}  // namespace
}  // namespace gainlet::test
