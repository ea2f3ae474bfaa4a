// What depends on the user interface language: the template the page lays
// out, its pixel size, its strings and the web page button. The program
// runs once with an English and once with a Japanese user interface; the
// Japanese* tests belong to the second run.
#include <gtest/gtest.h>

#include <cstdio>

#include "message_box_answer.h"
#include "page_harness.h"
#include "resource.h"

namespace gainlet_test {
namespace {

std::string Utf8(const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? bytes - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], bytes, nullptr, nullptr);
    return out;
}

struct PageInfo {
    SIZE size{};
    std::wstring title, docString, helpFile;
};

PageInfo GetInfo(IPropertyPage* page) {
    PageInfo result;
    PROPPAGEINFO info = {};
    EXPECT_EQ(page->GetPageInfo(&info), S_OK);
    result.size = info.size;
    if (info.pszTitle) result.title = info.pszTitle;
    if (info.pszDocString) result.docString = info.pszDocString;
    if (info.pszHelpFile) result.helpFile = info.pszHelpFile;
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
    return result;
}

// The page's width is the template's width in the template's own font,
// which the dialog manager also uses to lay the live dialog out; its height
// follows the property sheet's line height and so is at least the live
// dialog's height in the template font.
void ExpectSizeMatchesTheLiveDialog(ActivePage& page, int templateWidth, int templateHeight) {
    const PageInfo info = GetInfo(page.page.Get());
    RECT units = {0, 0, templateWidth, templateHeight};
    ASSERT_TRUE(MapDialogRect(page.dialog(), &units));
    std::printf("page size %ldx%ld pixels; template %dx%d units; live dialog %ldx%ld pixels\n", info.size.cx,
                info.size.cy, templateWidth, templateHeight, units.right, units.bottom);
    EXPECT_EQ(info.size.cx, units.right);
    EXPECT_GE(info.size.cy, units.bottom - 1);
    EXPECT_LE(info.size.cy, units.bottom * 5 / 4);
}

TEST(EnglishPage, SizeStringsAndNoWebPageButton) {
    ASSERT_EQ(PRIMARYLANGID(GetUserDefaultUILanguage()), LANG_ENGLISH);
    FakeGainlet engine;
    ActivePage page(&engine);
    ExpectSizeMatchesTheLiveDialog(page, 212, 122);
    const PageInfo info = GetInfo(page.page.Get());
    EXPECT_EQ(info.title, L"Gainlet");
    EXPECT_EQ(info.docString, L"Gainlet Settings");
    EXPECT_EQ(ControlText(page.dialog(), IDC_DEFAULT), L"&Default (-0.131dB)");
    EXPECT_FALSE(GetDlgItem(page.dialog(), IDC_WEBPAGE));
}

TEST(JapanesePage, SizeStringsAndWebPageButton) {
    ASSERT_EQ(GetUserDefaultUILanguage(), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    FakeGainlet engine;
    ActivePage page(&engine);
    ExpectSizeMatchesTheLiveDialog(page, 217, 122);
    const PageInfo info = GetInfo(page.page.Get());
    EXPECT_EQ(info.title, L"Gainlet");
    EXPECT_EQ(info.docString, L"Gainlet 設定");
    EXPECT_EQ(info.helpFile, L"Help File Name");
    EXPECT_EQ(ControlText(page.dialog(), IDC_DEFAULT), L"規定値(&D)  (-0.131dB)");
    const HWND webPage = GetDlgItem(page.dialog(), IDC_WEBPAGE);
    ASSERT_TRUE(webPage);
    EXPECT_EQ(WindowText(webPage), L"&Windowsピークリミッターの解析ページ");
    // The texts the page writes itself are the same in both languages.
    EXPECT_EQ(ControlText(page.dialog(), IDC_GAIN), L"-0.131");
    EXPECT_EQ(ControlText(page.dialog(), IDC_PERCENT), L"(98.498%)");
    EXPECT_EQ(ControlText(page.dialog(), IDC_PEAK), L"-INF");
}

TEST(JapanesePage, RefusedApplySaysSoInJapanese) {
    DeleteStoredGain();
    FakeGainlet engine;
    ActivePage page(&engine);
    TypeGain(page.dialog(), L"100");
    MessageBoxAnswer answer(L"", L"OK");
    EXPECT_EQ(page->Apply(), E_FAIL);
    const MessageBoxAnswer::Report report = answer.Wait();
    EXPECT_EQ(report.exitCode, 0u);
    EXPECT_NE(report.output.find(Utf8(L"音量は -100dB から +24dB の間で指定して下さい")), std::string::npos)
        << report.output;
    DWORD bits;
    EXPECT_FALSE(ReadStoredGainBits(&bits));
}

}  // namespace
}  // namespace gainlet_test
