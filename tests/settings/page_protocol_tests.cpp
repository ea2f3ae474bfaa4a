// The page through IPropertyPage, in the order a host drives it, and its
// answers to the calls a host may make out of turn.
#include <gtest/gtest.h>

#include "base/com_object.h"
#include "common/unique_handle.h"
#include "page_harness.h"
#include "resource.h"
#include "settings/property_page.h"

namespace gainlet_test {
namespace {

ComPtr<IPropertyPage> NewPage() {
    ComPtr<IPropertyPage> page;
    gainlet::CGainletPropPage::Create(nullptr, IID_IPropertyPage, reinterpret_cast<void**>(page.GetAddressOf()));
    return page;
}

// Answers IUnknown only.
using PlainObject = gainlet::test::StandIn<IUnknown>;

TEST(PageProtocol, AHostsFullSequence) {
    ASSERT_EQ(gainlet::ModuleLockCount(), 0);
    FakeGainlet engine;
    RecordingSite site;
    Frame frame;
    {
        ComPtr<IPropertyPage> page = NewPage();
        ASSERT_TRUE(page);
        EXPECT_EQ(gainlet::ModuleLockCount(), 1);

        ComPtr<IUnknown> unknown;
        ASSERT_EQ(page.As(&unknown), S_OK);
        ComPtr<IPropertyPage2> page2;
        EXPECT_EQ(unknown.As(&page2), E_NOINTERFACE);

        ASSERT_EQ(page->SetPageSite(&site), S_OK);
        RecordingSite otherSite;
        EXPECT_EQ(page->SetPageSite(&otherSite), E_UNEXPECTED);
        EXPECT_EQ(otherSite.refs, 1);

        IUnknown* objects[] = {&engine};
        ASSERT_EQ(page->SetObjects(1, objects), S_OK);
        EXPECT_EQ(engine.refs, 2) << "the page holds one reference";

        PROPPAGEINFO info = {};
        ASSERT_EQ(page->GetPageInfo(&info), S_OK);
        const gainlet::CoTaskMemPtr<OLECHAR> title(info.pszTitle), docString(info.pszDocString),
            helpFile(info.pszHelpFile);
        EXPECT_EQ(info.cb, sizeof(PROPPAGEINFO));
        ASSERT_TRUE(info.pszTitle);
        EXPECT_STREQ(info.pszTitle, L"Gainlet");
        ASSERT_TRUE(info.pszDocString);
        EXPECT_STREQ(info.pszDocString, L"Gainlet Settings");
        ASSERT_TRUE(info.pszHelpFile);
        EXPECT_STREQ(info.pszHelpFile, L"Help File Name");
        EXPECT_EQ(info.dwHelpContext, 0u);
        EXPECT_GT(info.size.cx, 212);
        EXPECT_GT(info.size.cy, 122);

        EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED) << "no dialog yet";
        RECT rect = {10, 12, 10 + info.size.cx, 12 + info.size.cy};
        EXPECT_EQ(page->Move(&rect), E_UNEXPECTED);
        EXPECT_EQ(page->Activate(frame.window(), nullptr, FALSE), E_POINTER);
        ASSERT_EQ(page->Activate(frame.window(), &rect, FALSE), S_OK);
        const HWND dialog = frame.FindPageDialog();
        ASSERT_TRUE(dialog);
        EXPECT_FALSE(IsWindowVisible(dialog)) << "hidden until the host shows it";
        EXPECT_EQ(page->IsPageDirty(), S_FALSE);
        ASSERT_EQ(page->Show(SW_SHOW), S_OK);
        EXPECT_TRUE(IsWindowVisible(dialog));

        RECT placed;
        GetWindowRect(dialog, &placed);
        MapWindowPoints(nullptr, frame.window(), reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(placed.left, 10);
        EXPECT_EQ(placed.top, 12);
        const RECT moved = {30, 40, 330, 240};
        EXPECT_EQ(page->Move(nullptr), E_POINTER);
        ASSERT_EQ(page->Move(&moved), S_OK);
        GetWindowRect(dialog, &placed);
        MapWindowPoints(nullptr, frame.window(), reinterpret_cast<POINT*>(&placed), 2);
        EXPECT_EQ(placed.left, 30);
        EXPECT_EQ(placed.bottom - placed.top, 200);

        TypeGain(dialog, L"2");
        EXPECT_EQ(page->IsPageDirty(), S_OK);
        EXPECT_EQ(page->Apply(), S_OK);
        EXPECT_EQ(page->IsPageDirty(), S_FALSE);
        EXPECT_EQ(page->Deactivate(), S_OK);
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_EQ(page->SetPageSite(nullptr), S_OK);
        EXPECT_EQ(site.refs, 1) << "the site is released";
        EXPECT_EQ(site.statusChanges,
                  (std::vector<DWORD>{PROPPAGESTATUS_DIRTY, PROPPAGESTATUS_CLEAN, PROPPAGESTATUS_DIRTY}));
    }
    EXPECT_EQ(engine.refs, 1) << "the last Release lets go of the engine";
    EXPECT_EQ(gainlet::ModuleLockCount(), 0);
    DeleteStoredGain();
}

TEST(PageProtocol, SetObjectsKeepsTheFirstEngineOffered) {
    FakeGainlet first, second;
    PlainObject plain;
    ComPtr<IPropertyPage> page = NewPage();

    EXPECT_EQ(page->SetObjects(1, nullptr), E_POINTER);
    IUnknown* none[] = {nullptr, &plain};
    EXPECT_EQ(page->SetObjects(2, none), S_OK);
    EXPECT_EQ(plain.refs, 1);

    IUnknown* mixed[] = {nullptr, &plain, &first, &second};
    ASSERT_EQ(page->SetObjects(4, mixed), S_OK);
    EXPECT_EQ(first.refs, 2);
    EXPECT_EQ(second.refs, 1) << "the walk stops at the first engine";
    EXPECT_EQ(page->SetObjects(0, nullptr), S_OK);
    EXPECT_EQ(first.refs, 2) << "a count of 0 keeps the engine";
    EXPECT_EQ(page->SetObjects(2, none), S_OK);
    EXPECT_EQ(first.refs, 2) << "objects without the interface keep it too";

    IUnknown* other[] = {&second};
    ASSERT_EQ(page->SetObjects(1, other), S_OK);
    EXPECT_EQ(first.refs, 1);
    EXPECT_EQ(second.refs, 2);
    ASSERT_EQ(page->SetObjects(1, other), S_OK);
    EXPECT_EQ(second.refs, 2) << "the same engine again is not counted twice";

    Frame frame;
    RECT rect = {0, 0, 400, 250};
    ASSERT_EQ(page->Activate(frame.window(), &rect, FALSE), S_OK);
    TypeGain(frame.FindPageDialog(), L"5");
    EXPECT_TRUE(first.setGainCalls.empty());
    ASSERT_FALSE(second.setGainCalls.empty());
    EXPECT_EQ(second.setGainCalls.back(), 5.0f);
    page->Deactivate();
}

TEST(PageProtocol, TranslateAcceleratorHandsKeysToTheDialog) {
    FakeGainlet engine;
    ActivePage page(&engine);
    const HWND edit = GetDlgItem(page.dialog(), IDC_GAIN);
    TypeGain(page.dialog(), L"");

    MSG typed = {edit, WM_CHAR, L'7', 1, 0, {0, 0}};
    EXPECT_EQ(page->TranslateAccelerator(&typed), S_OK);
    EXPECT_EQ(WindowText(edit), L"7");
    EXPECT_EQ(engine.setGainCalls.back(), 7.0f);

    MSG paint = {page.dialog(), WM_PAINT, 0, 0, 0, {0, 0}};
    EXPECT_EQ(page->TranslateAccelerator(&paint), S_FALSE);

    // The frame's keys come back with S_FALSE, untouched; the page's own
    // mnemonic is the page's.
    struct Row {
        const char* key;
        UINT message;
        WPARAM wParam;
        HRESULT expected;
    };
    for (const Row& row : {Row{"Enter", WM_KEYDOWN, VK_RETURN, S_FALSE}, Row{"Escape", WM_KEYDOWN, VK_ESCAPE, S_FALSE},
                           Row{"Alt+A, the frame's Apply", WM_SYSCHAR, L'a', S_FALSE},
                           Row{"Alt+D, the page's Default", WM_SYSCHAR, L'd', S_OK}}) {
        SCOPED_TRACE(row.key);
        MSG key = {edit, row.message, row.wParam, 1, 0, {0, 0}};
        EXPECT_EQ(page->TranslateAccelerator(&key), row.expected);
        EXPECT_EQ(WindowText(edit), row.expected == S_OK ? L"-0.131" : L"7");
    }
}

TEST(PageProtocol, TheFramesKeyboardNavigationMayEnterThePage) {
    FakeGainlet engine;
    ActivePage page(&engine);
    SetWindowLongPtrW(page.dialog(), GWL_EXSTYLE, 0);
    EXPECT_TRUE(GetWindowLongPtrW(page.dialog(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    const LONG_PTR style = GetWindowLongPtrW(page.dialog(), GWL_STYLE);
    SetWindowLongPtrW(page.dialog(), GWL_STYLE, style | WS_BORDER);
    EXPECT_EQ(GetWindowLongPtrW(page.dialog(), GWL_STYLE), style | WS_BORDER) << "other style changes pass";
}

TEST(PageProtocol, TheDialogNeverOutlivesThePage) {
    FakeGainlet engine;
    Frame frame;
    HWND dialog;
    {
        ComPtr<IPropertyPage> page = NewPage();
        IUnknown* objects[] = {&engine};
        page->SetObjects(1, objects);
        RECT rect = {0, 0, 400, 250};
        ASSERT_EQ(page->Activate(frame.window(), &rect, FALSE), S_OK);
        // A second Activate replaces the dialog instead of leaving one behind.
        ASSERT_EQ(page->Activate(frame.window(), &rect, FALSE), S_OK);
        dialog = frame.FindPageDialog();
        EXPECT_FALSE(FindWindowExW(frame.window(), dialog, L"#32770", nullptr));
        TypeGain(dialog, L"7");
        // Released without Deactivate, as a careless host might.
    }
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(engine.gain, -0.131f) << "nor does its preview";
    PumpMessages(120);  // a pending timer must find nothing to call
    EXPECT_EQ(gainlet::ModuleLockCount(), 0);
    EXPECT_EQ(engine.refs, 1);
}

TEST(PageProtocol, TheFrameMayDestroyTheDialogFirst) {
    FakeGainlet engine;
    ComPtr<IPropertyPage> page = NewPage();
    IUnknown* objects[] = {&engine};
    page->SetObjects(1, objects);
    {
        Frame frame;
        RECT rect = {0, 0, 400, 250};
        ASSERT_EQ(page->Activate(frame.window(), &rect, FALSE), S_OK);
    }
    EXPECT_EQ(page->Show(SW_SHOW), E_UNEXPECTED) << "the page knows its dialog is gone";
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(engine.setGainCalls.back(), -0.131f);
}

}  // namespace
}  // namespace gainlet_test
