// What depends on the user interface language: the template the page lays
// out, its pixel size, its strings and the web page button with the page it
// opens. The program
// runs once with an English and once with a Japanese user interface; the
// Japanese* tests belong to the second run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "message_box_answer.h"
#include "page_harness.h"
#include "repository_page.h"
#include "resource.h"
#include "shell_open_recorder.h"

namespace gainlet_test {
namespace {

std::string Utf8(const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? bytes - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], bytes, nullptr, nullptr);
    return out;
}

// A temporary folder of the test's own, which the page finds through TMP,
// the first place GetTempPath looks; TMP is restored and the folder removed
// afterwards.
class PrivateTempFolder {
public:
    explicit PrivateTempFolder(const wchar_t* name) {
        wchar_t base[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, base);
        folder = std::wstring(base) + name + L"\\";
        RemoveTree(folder);
        CreateDirectoryW(folder.c_str(), nullptr);
        const DWORD length = GetEnvironmentVariableW(L"TMP", nullptr, 0);
        hadTmp = length > 0;
        if (hadTmp) {
            previousTmp.resize(length);
            previousTmp.resize(GetEnvironmentVariableW(L"TMP", &previousTmp[0], length));
        }
        PointTmpAt(folder);
    }
    ~PrivateTempFolder() {
        SetEnvironmentVariableW(L"TMP", hadTmp ? previousTmp.c_str() : nullptr);
        RemoveTree(folder);
    }
    PrivateTempFolder(const PrivateTempFolder&) = delete;
    PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

    const std::wstring& path() const { return folder; }
    void PointTmpAt(const std::wstring& path) const { SetEnvironmentVariableW(L"TMP", path.c_str()); }

    std::vector<std::wstring> FileNames() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        const gainlet::FindHandle search(FindFirstFileW((folder + L"*").c_str(), &found));
        if (!search) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
        } while (FindNextFileW(search.get(), &found));
        return names;
    }

private:
    // Also what an earlier run that stopped half-way left behind.
    static void RemoveTree(const std::wstring& path) {
        WIN32_FIND_DATAW found;
        gainlet::FindHandle search(FindFirstFileW((path + L"*").c_str(), &found));
        if (search) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(path + name + L"\\");
                else
                    DeleteFileW((path + name).c_str());
            } while (FindNextFileW(search.get(), &found));
            search.reset();  // the folder goes only once nothing enumerates it
        }
        RemoveDirectoryW(path.c_str());
    }

    std::wstring folder;
    bool hadTmp = false;
    std::wstring previousTmp;
};

std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    const gainlet::FileHandle file(
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "<cannot open>";
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &read, nullptr) && read > 0) bytes.append(chunk, read);
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    gainlet::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_NE(file.get(), INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    file.reset();
    ASSERT_EQ(written, bytes.size());
}

struct PageInfo {
    SIZE size{};
    std::wstring title, docString, helpFile;
};

PageInfo GetInfo(IPropertyPage* page) {
    PageInfo result;
    PROPPAGEINFO info = {};
    EXPECT_EQ(page->GetPageInfo(&info), S_OK);
    const gainlet::CoTaskMemPtr<OLECHAR> title(info.pszTitle), docString(info.pszDocString), helpFile(info.pszHelpFile);
    result.size = info.size;
    if (info.pszTitle) result.title = info.pszTitle;
    if (info.pszDocString) result.docString = info.pszDocString;
    if (info.pszHelpFile) result.helpFile = info.pszHelpFile;
    return result;
}

// The page's width is the template's width in the template's own font,
// which the dialog manager also uses to lay the live dialog out; its height
// follows the property sheet's line height and so is at least the live
// dialog's height in the template font. Where the captions need more room
// in the fonts at hand, the page asks for just enough to hold its controls.
void ExpectSizeMatchesTheLiveDialog(ActivePage& page, int templateWidth, int templateHeight) {
    const PageInfo info = GetInfo(page.page.Get());
    RECT units = {0, 0, templateWidth, templateHeight};
    ASSERT_TRUE(MapDialogRect(page.dialog(), &units));
    RECT margin = {0, 0, 4, 4};
    ASSERT_TRUE(MapDialogRect(page.dialog(), &margin));
    LONG right = 0, bottom = 0;
    for (HWND child = GetWindow(page.dialog(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT placed;
        GetWindowRect(child, &placed);
        MapWindowPoints(nullptr, page.dialog(), reinterpret_cast<POINT*>(&placed), 2);
        right = std::max(right, placed.right);
        bottom = std::max(bottom, placed.bottom);
    }
    std::printf("page size %ldx%ld pixels; template %dx%d units; live dialog %ldx%ld pixels, controls to %ldx%ld\n",
                info.size.cx, info.size.cy, templateWidth, templateHeight, units.right, units.bottom, right, bottom);
    EXPECT_GE(info.size.cx, units.right);
    EXPECT_GE(info.size.cx, right) << "every control lies within the page";
    if (info.size.cx > units.right) {
        EXPECT_LE(info.size.cx, right + margin.right) << "no more than the controls need";
    }
    EXPECT_GE(info.size.cy, units.bottom - 1);
    EXPECT_GE(info.size.cy, bottom);
    EXPECT_LE(info.size.cy, std::max(units.bottom * 5 / 4, bottom + margin.bottom));
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

    // A click replaces an older, longer copy of the page in the temporary
    // folder with the repository's page, byte for byte, leaves nothing else
    // there, and asks the shell to open that file on behalf of the dialog.
    PrivateTempFolder temp(L"gainlet-web-page");
    const std::wstring copy = temp.path() + L"Gainlet-peak-limiter.html";
    const std::string repositoryPage(reinterpret_cast<const char*>(kRepositoryPage), sizeof kRepositoryPage);
    WriteFileBytes(copy, std::string(repositoryPage.size() * 2, 'x'));
    std::vector<ShellOpenRequest>& requests = ShellOpenRequests();
    requests.clear();
    SendMessageW(webPage, BM_CLICK, 0, 0);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].owner, page.dialog());
    EXPECT_TRUE(requests[0].target == copy) << "opened " << Utf8(requests[0].target);
    EXPECT_TRUE(ReadFileBytes(copy) == repositoryPage) << "the copy differs from gainlet/res/peak-limiter.html";
    EXPECT_EQ(temp.FileNames(), std::vector<std::wstring>{L"Gainlet-peak-limiter.html"});

    // A temporary folder that cannot be written gives no page to open.
    temp.PointTmpAt(temp.path() + L"missing\\");
    SendMessageW(webPage, BM_CLICK, 0, 0);
    EXPECT_EQ(requests.size(), 1u) << "opened " << Utf8(requests.back().target);

    // Nor does one whose path leaves no room for the page's name within
    // MAX_PATH; one character less and the page fits exactly.
    const size_t roomForName = MAX_PATH - sizeof "Gainlet-peak-limiter.html";
    for (const size_t folderLength : {roomForName + 1, roomForName}) {
        const std::wstring folder = temp.path() + std::wstring(folderLength - temp.path().size() - 1, L'd') + L"\\";
        ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
        temp.PointTmpAt(folder);
        requests.clear();
        SendMessageW(webPage, BM_CLICK, 0, 0);
        const std::wstring pageThere = folder + L"Gainlet-peak-limiter.html";
        if (folderLength > roomForName) {
            EXPECT_TRUE(requests.empty()) << "opened " << Utf8(requests.back().target);
        } else {
            ASSERT_EQ(requests.size(), 1u);
            EXPECT_TRUE(requests[0].target == pageThere) << "opened " << Utf8(requests[0].target);
            EXPECT_TRUE(ReadFileBytes(pageThere) == repositoryPage);
        }
        DeleteFileW(pageThere.c_str());
        EXPECT_TRUE(RemoveDirectoryW(folder.c_str())) << "nothing else was left in the folder";
    }
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
    EXPECT_FALSE(gainlet::test::HasStoredGain()) << "a refused gain is not stored";
}

}  // namespace
}  // namespace gainlet_test
