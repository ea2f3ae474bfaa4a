// The object wrappers: identity, reference counting, aggregation and the
// module lock count, on a small class of the test's own.
#include <gtest/gtest.h>

#include <ocidl.h>

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
    IOleWindow* window = nullptr;
    ASSERT_EQ(CTwoFaces::Create(nullptr, IID_IOleWindow, reinterpret_cast<void**>(&window)), S_OK);
    EXPECT_EQ(ModuleLockCount(), 1);

    IUnknown* unknown = nullptr;
    IPersist* persist = nullptr;
    ASSERT_EQ(window->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
    ASSERT_EQ(window->QueryInterface(IID_IPersist, reinterpret_cast<void**>(&persist)), S_OK);
    EXPECT_EQ(static_cast<void*>(unknown), static_cast<void*>(persist)) << "first entry is the identity";
    EXPECT_NE(static_cast<void*>(window), static_cast<void*>(persist));

    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(window->QueryInterface(IID_IDispatch, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(window->QueryInterface(IID_IPersist, nullptr), E_POINTER);

    unknown->Release();
    persist->Release();
    EXPECT_EQ(destroyed, 0);
    EXPECT_EQ(window->Release(), 0u);
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
    IUnknown* inner = nullptr;
    ASSERT_EQ(CTwoFaces::Create(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)), S_OK);
    EXPECT_EQ(outer.refs, 1) << "the inner unknown counts itself";
    EXPECT_EQ(ModuleLockCount(), 1);

    IUnknown* again = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
    EXPECT_EQ(again, inner) << "the inner unknown answers IID_IUnknown with itself";
    again->Release();

    IOleWindow* window = nullptr;
    ASSERT_EQ(inner->QueryInterface(IID_IOleWindow, reinterpret_cast<void**>(&window)), S_OK);
    EXPECT_EQ(outer.refs, 2) << "the interface's AddRef went to the outer object";
    window->AddRef();
    EXPECT_EQ(outer.refs, 3);
    window->Release();
    window->Release();
    EXPECT_EQ(outer.refs, 1);

    EXPECT_EQ(inner->Release(), 0u);
    EXPECT_EQ(finalReleased, 1);
    EXPECT_EQ(destroyed, 1);
}

}  // namespace
}  // namespace gainlet
