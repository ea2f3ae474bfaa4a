// The object wrappers: identity, reference counting, aggregation and the
// module lock count, on a small class of the test's own.
#include <gtest/gtest.h>

#include <ocidl.h>
#include <wrl/client.h>

#include "base/com_object.h"
#include "outer_unknown.h"

namespace gainlet {
namespace {

LONG destroyed = 0;
LONG finalReleased = 0;

class CTwoFaces final : public ComObject<CTwoFaces, IPersist, IOleWindow> {
public:
    void FinalRelease() { ++finalReleased; }
    ~CTwoFaces() { ++destroyed; }

    STDMETHODIMP GetClassID(CLSID* clsid) override {
        *clsid = CLSID_NULL;
        return S_OK;
    }
    STDMETHODIMP GetWindow(HWND* hwnd) override {
        *hwnd = nullptr;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
};

using Microsoft::WRL::ComPtr;
using test::Outer;

class ComObjectTest : public ::testing::Test {
protected:
    void SetUp() override {
        destroyed = finalReleased = 0;
        ASSERT_EQ(ModuleLockCount(), 0);
    }
    void TearDown() override { EXPECT_EQ(ModuleLockCount(), 0); }
};

TEST_F(ComObjectTest, StandaloneIdentityAndLifetime) {
    ComPtr<IOleWindow> window;
    ASSERT_EQ(CTwoFaces::Create(nullptr, IID_IOleWindow, reinterpret_cast<void**>(window.GetAddressOf())), S_OK);
    EXPECT_EQ(ModuleLockCount(), 1);

    ComPtr<IUnknown> unknown;
    ComPtr<IPersist> persist;
    ASSERT_EQ(window->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf())), S_OK);
    ASSERT_EQ(window->QueryInterface(IID_IPersist, reinterpret_cast<void**>(persist.GetAddressOf())), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown.Get()), static_cast<void*>(persist.Get())) << "first entry is the identity";
    EXPECT_NE(static_cast<void*>(window.Get()), static_cast<void*>(persist.Get()));

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(window->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(window->QueryInterface(IID_IPersist, nullptr), E_POINTER);

    unknown.Reset();
    persist.Reset();
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(window.Reset(), 0u);
    EXPECT_EQ(finalReleased, 1);
    EXPECT_EQ(destroyed, 1);
}

TEST_F(ComObjectTest, FailedCreationDestroysAndRestoresLockCount) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(CTwoFaces::Create(nullptr, IID_IDispatch, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(CTwoFaces::Create(nullptr, IID_IPersist, nullptr), E_POINTER);
}

TEST_F(ComObjectTest, AggregatedForwardsToOuter) {
    Outer outer;
    ComPtr<IUnknown> inner;
    ASSERT_EQ(CTwoFaces::Create(&outer, IID_IUnknown, reinterpret_cast<void**>(inner.GetAddressOf())), S_OK);
    EXPECT_EQ(outer.refs, 1) << "the inner unknown counts itself";
    EXPECT_EQ(ModuleLockCount(), 1);

    ComPtr<IUnknown> again;
    ASSERT_EQ(inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(again.GetAddressOf())), S_OK);
    EXPECT_EQ(again, inner) << "the inner unknown answers IID_IUnknown with itself";
    again.Reset();

    ComPtr<IOleWindow> window;
    ASSERT_EQ(inner->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(window.GetAddressOf())), S_OK);
    EXPECT_EQ(outer.refs, 2) << "the interface's AddRef went to the outer object";
    {
        ComPtr<IOleWindow> copy = window;
        EXPECT_EQ(outer.refs, 3);
    }
    window.Reset();
    EXPECT_EQ(outer.refs, 1);

    EXPECT_EQ(inner.Reset(), 0u);
    EXPECT_EQ(finalReleased, 1);
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace gainlet
