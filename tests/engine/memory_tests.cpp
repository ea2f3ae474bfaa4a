// Task memory: every copy the object makes is freed, and a copy that fails
// for want of memory leaves nothing half-set behind.
#include <gtest/gtest.h>

#include "common/unique_handle.h"
#include "dsp_test_support.h"
#include "single_interface.h"

extern "C" {
#include <dmort.h>
}

namespace gainlet::test {
namespace {

// Counts task-memory blocks allocated and freed while registered, and can
// make the next allocations fail.
class CountingMallocSpy final : public StandIn<IMallocSpy> {
public:
    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T size) override {
        if (failAllocations > 0 && size) {
            --failAllocations;
            return 0;  // makes the allocation fail
        }
        return size;
    }
    STDMETHODIMP_(void*) PostAlloc(void* block) override {
        if (block) ++outstanding;
        return block;
    }
    STDMETHODIMP_(void*) PreFree(void* block, BOOL spyed) override {
        if (block && spyed) --outstanding;
        return block;
    }
    STDMETHODIMP_(void) PostFree(BOOL) override {}
    STDMETHODIMP_(SIZE_T) PreRealloc(void* block, SIZE_T size, void** newBlock, BOOL) override {
        *newBlock = block;
        return size;
    }
    STDMETHODIMP_(void*) PostRealloc(void* block, BOOL) override { return block; }
    STDMETHODIMP_(void*) PreGetSize(void* block, BOOL) override { return block; }
    STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T size, BOOL) override { return size; }
    STDMETHODIMP_(void*) PreDidAlloc(void* block, BOOL) override { return block; }
    STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    STDMETHODIMP_(void) PreHeapMinimize() override {}
    STDMETHODIMP_(void) PostHeapMinimize() override {}

    LONG outstanding = 0;
    int failAllocations = 0;
};

class TaskMemory : public ::testing::Test {
protected:
    // Outlives every test: a leak makes the revoke fail and leaves the spy
    // registered, and it must stay valid for whatever runs afterwards.
    static CountingMallocSpy& Spy() {
        static CountingMallocSpy instance;
        return instance;
    }

    void SetUp() override {
        spy.outstanding = 0;
        spy.failAllocations = 0;
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        ASSERT_EQ(CoRegisterMallocSpy(&spy), S_OK);
    }
    void TearDown() override {
        EXPECT_EQ(spy.outstanding, 0);
        EXPECT_EQ(CoRevokeMallocSpy(), S_OK);
        CoUninitialize();
        EXPECT_EQ(ModuleLockCount(), 0);
    }
    CountingMallocSpy& spy = Spy();
};

TEST_F(TaskMemory, CopiesAreBalancedOverCreateSetClearCopyDestroy) {
    TestBuffer held(64, 64);
    for (int cycle = 0; cycle < 50; ++cycle) {
        MediaType input(cycle % 2 ? Pcm(16) : Extensible(24, 20));
        auto dsp = CreateDsp();
        ASSERT_EQ(dsp->SetInputType(0, input.get(), 0), S_OK);
        ASSERT_EQ(dsp->SetInputType(0, input.get(), 0), S_OK) << "replacing frees the old copy";
        {
            MediaType offered, current, partner;
            ASSERT_EQ(dsp->GetOutputType(0, 0, offered.get()), S_OK);
            ASSERT_EQ(dsp->SetOutputType(0, offered.get(), 0), S_OK);
            ASSERT_EQ(dsp->GetOutputCurrentType(0, current.get()), S_OK);
            ASSERT_EQ(dsp->GetInputType(0, 0, partner.get()), S_OK);
        }
        ASSERT_EQ(dsp->ProcessInput(0, &held, 0, 0, 0), S_OK);
        if (cycle % 3 == 0) {
            ASSERT_EQ(dsp->SetOutputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
            ASSERT_EQ(dsp->SetInputType(0, nullptr, DMO_SET_TYPEF_CLEAR), S_OK);
        }
        ComPtr<ISpecifyPropertyPages> pages;
        ASSERT_EQ(dsp.As(&pages), S_OK);
        CAUUID uuids{};
        ASSERT_EQ(pages->GetPages(&uuids), S_OK);
        const CoTaskMemPtr<GUID> pageIds(uuids.pElems);
    }
    EXPECT_EQ(held.refs, 1);
}

TEST_F(TaskMemory, FailedCopyLeavesTheRecordUnsetAndUnpublished) {
    auto dsp = CreateDsp();
    ComPtr<IGainlet> gainlet;
    ASSERT_EQ(dsp.As(&gainlet), S_OK);
    MediaType first(Pcm(16, 2, 22050));
    ASSERT_EQ(dsp->SetInputType(0, first.get(), 0), S_OK);

    MediaType second(Pcm(8, 1, 11025));
    spy.failAllocations = 1;
    EXPECT_EQ(dsp->SetInputType(0, second.get(), 0), E_OUTOFMEMORY);
    MediaType current;
    EXPECT_EQ(dsp->GetInputCurrentType(0, current.get()), kTypeNotSet);
    DWORD rate = 0;
    ASSERT_EQ(gainlet->GetFormatInfo(&rate, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(rate, 22050u) << "nothing published from a failed copy";

    // The object is still usable: a later set succeeds, and the output side
    // fails the same way.
    ASSERT_EQ(dsp->SetInputType(0, second.get(), 0), S_OK);
    spy.failAllocations = 1;
    EXPECT_EQ(dsp->SetOutputType(0, second.get(), 0), E_OUTOFMEMORY);
    EXPECT_EQ(dsp->GetOutputCurrentType(0, current.get()), kTypeNotSet);

    // Copies handed out report the failure too.
    spy.failAllocations = 1;
    EXPECT_EQ(dsp->GetInputCurrentType(0, current.get()), E_OUTOFMEMORY);
    ZeroMemory(current.get(), sizeof(DMO_MEDIA_TYPE));
}

TEST_F(TaskMemory, PagesReportExhaustion) {
    auto dsp = CreateDsp();
    ComPtr<ISpecifyPropertyPages> pages;
    ASSERT_EQ(dsp.As(&pages), S_OK);
    CAUUID uuids{0, reinterpret_cast<GUID*>(1)};
    spy.failAllocations = 1;
    EXPECT_EQ(pages->GetPages(&uuids), E_OUTOFMEMORY);
    EXPECT_EQ(uuids.cElems, 1u);
    EXPECT_EQ(uuids.pElems, nullptr);
}

}  // namespace
}  // namespace gainlet::test
