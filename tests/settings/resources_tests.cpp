// The dialog templates, strings and lamp bitmaps as compiled into the
// module, in both languages, read back by language.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "resource.h"
#include "common/this_module.h"

namespace gainlet_test {
namespace {

const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_NEUTRAL);

struct Item {
    int id;
    std::wstring windowClass;  // "#130" for a predefined class ordinal
    std::wstring caption;      // "#204" for a resource ordinal
    DWORD style;
    short x, y, cx, cy;
    bool operator==(const Item& o) const {
        return id == o.id && windowClass == o.windowClass && caption == o.caption && style == o.style && x == o.x &&
               y == o.y && cx == o.cx && cy == o.cy;
    }
};

std::ostream& operator<<(std::ostream& out, const Item& item) {
    auto narrow = [](const std::wstring& s) { return std::string(s.begin(), s.end()); };
    return out << item.id << " " << narrow(item.windowClass) << " style " << std::hex << item.style << std::dec
               << " at " << item.x << "," << item.y << " " << item.cx << "x" << item.cy;
}

struct Template {
    DWORD style = 0, exStyle = 0;
    short cx = 0, cy = 0;
    WORD pointSize = 0, weight = 0;
    BYTE italic = 0, charset = 0;
    std::wstring face;
    std::vector<Item> items;
};

class Reader {
public:
    explicit Reader(const BYTE* p) : p(p), start(p) {}
    WORD Word() {
        WORD v;
        memcpy(&v, p, 2);
        p += 2;
        return v;
    }
    DWORD Dword() {
        DWORD v;
        memcpy(&v, p, 4);
        p += 4;
        return v;
    }
    BYTE Byte() { return *p++; }
    std::wstring NameOrOrdinal() {
        const WORD first = Word();
        if (first == 0xFFFF) return L"#" + std::to_wstring(Word());
        std::wstring s;
        for (WORD c = first; c; c = Word()) s += static_cast<wchar_t>(c);
        return s;
    }
    void AlignDword() { p = start + ((p - start + 3) & ~3); }

private:
    const BYTE* p;
    const BYTE* start;
};

Template LoadTemplate(WORD language) {
    Template t;
    const HRSRC found = FindResourceExW(gainlet::ThisModule(), RT_DIALOG, MAKEINTRESOURCEW(IDD_SETTINGS), language);
    if (!found) return t;
    Reader r(static_cast<const BYTE*>(LockResource(LoadResource(gainlet::ThisModule(), found))));
    EXPECT_EQ(r.Word(), 1) << "extended template";
    EXPECT_EQ(r.Word(), 0xFFFF);
    r.Dword();  // help id
    t.exStyle = r.Dword();
    t.style = r.Dword();
    const WORD count = r.Word();
    r.Word();
    r.Word();
    t.cx = static_cast<short>(r.Word());
    t.cy = static_cast<short>(r.Word());
    EXPECT_EQ(r.NameOrOrdinal(), L"") << "no menu";
    EXPECT_EQ(r.NameOrOrdinal(), L"") << "no class";
    EXPECT_EQ(r.NameOrOrdinal(), L"") << "no caption";
    t.pointSize = r.Word();
    t.weight = r.Word();
    t.italic = r.Byte();
    t.charset = r.Byte();
    t.face = r.NameOrOrdinal();
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        Item item;
        r.Dword();  // help id
        EXPECT_EQ(r.Dword(), 0u) << "no extended style on control " << i;
        item.style = r.Dword();
        item.x = static_cast<short>(r.Word());
        item.y = static_cast<short>(r.Word());
        item.cx = static_cast<short>(r.Word());
        item.cy = static_cast<short>(r.Word());
        item.id = static_cast<int>(r.Dword());
        item.windowClass = r.NameOrOrdinal();
        item.caption = r.NameOrOrdinal();
        const WORD extra = r.Word();
        for (WORD b = 0; b < extra; ++b) r.Byte();
        t.items.push_back(item);
    }
    return t;
}

const wchar_t kButton[] = L"#128";
const wchar_t kEdit[] = L"#129";
const wchar_t kStatic[] = L"#130";
const wchar_t kUpDown[] = L"MSCTLS_UPDOWN32";  // windres stores class names upper-cased

TEST(SettingsResources, EnglishTemplate) {
    const Template t = LoadTemplate(kEnglish);
    EXPECT_EQ(t.style, 0x40000440u) << "WS_CHILD | DS_SETFONT | DS_CONTROL";
    EXPECT_EQ(t.exStyle, 0u);
    EXPECT_EQ(t.cx, 212);
    EXPECT_EQ(t.cy, 122);
    EXPECT_EQ(t.face, L"Segoe UI");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.weight, 0);
    EXPECT_EQ(t.italic, 0);
    EXPECT_EQ(t.charset, 0);
    const std::vector<Item> expected = {
        {-1, kStatic, L"&Volume:", 0x50020000, 6, 28, 26, 8},
        {IDC_GAIN, kEdit, L"", 0x50810082, 34, 26, 42, 12},
        {IDC_GAIN_SPIN, kUpDown, L"", 0x50000034, 68, 24, 10, 14},
        {-1, kStatic, L"dB", 0x50020000, 79, 29, 9, 8},
        {IDC_PERCENT, kStatic, L"(888.88%)", 0x50020000, 91, 29, 38, 8},
        {-1, kStatic, L"(-100dB ~ +24dB)", 0x50020000, 33, 39, 61, 11},
        {IDC_DEFAULT, kButton, L"&Default (-0.131dB)", 0x50010000, 29, 54, 62, 15},
        {-1, kStatic, L"Please specify -0.131dB or less to evade peak limiter of the Audio engine.", 0x50020000, 13, 82,
         124, 28},
        {-1, kStatic, L"Peak:", 0x50020000, 142, 22, 17, 9},
        {IDC_PEAK, kButton, L"-888.888dB", 0x50010000, 163, 20, 38, 11},
        {IDC_LAMP_ON, kStatic, L"#204", 0x4000020E, 141, 35, 9, 9},
        {-1, kStatic, L"Limiting", 0x50020000, 154, 36, 37, 9},
        {-1, kStatic, L"Audio format of DSP:", 0x50020000, 140, 49, 69, 10},
        {IDC_FORMAT, kStatic, L"----", 0x50020000, 142, 58, 60, 14},
        {IDC_LAMP_OFF, kStatic, L"#205", 0x5000020E, 141, 35, 9, 9},
    };
    ASSERT_EQ(t.items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(t.items[i], expected[i]) << "control " << i + 1;
        EXPECT_TRUE(t.items[i].caption == expected[i].caption) << "caption of control " << i + 1;
    }
}

TEST(SettingsResources, JapaneseTemplate) {
    const Template t = LoadTemplate(kJapanese);
    EXPECT_EQ(t.style, 0x40000440u) << "WS_CHILD | DS_SETFONT | DS_CONTROL";
    EXPECT_EQ(t.cx, 217);
    EXPECT_EQ(t.cy, 122);
    EXPECT_EQ(t.face, L"MS UI Gothic");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.weight, 400);
    const std::vector<Item> expected = {
        {-1, kStatic, L"音量(&V):", 0x50020000, 9, 28, 25, 8},
        {IDC_GAIN, kEdit, L"", 0x50810082, 34, 26, 42, 12},
        {IDC_GAIN_SPIN, kUpDown, L"", 0x50000034, 68, 24, 10, 14},
        {-1, kStatic, L"dB", 0x50020000, 79, 29, 9, 8},
        {IDC_PERCENT, kStatic, L"(888.88%)", 0x50020000, 91, 29, 38, 8},
        {-1, kStatic, L"(-100dB ~ +24dB)", 0x50020000, 33, 39, 61, 11},
        {IDC_DEFAULT, kButton, L"規定値(&D)  (-0.131dB)", 0x50010000, 25, 52, 70, 15},
        {-1, kStatic, L"オーディオエンジンのピークリミッターを回避するには-0.131dB以下を指定します。", 0x50020000, 7,
         79, 130, 26},
        {IDC_WEBPAGE, kButton, L"&Windowsピークリミッターの解析ページ", 0x50010000, 7, 103, 132, 15},
        {-1, kStatic, L"Peak:", 0x50020000, 142, 28, 17, 8},
        {IDC_PEAK, kButton, L"-888.888dB", 0x50010000, 163, 25, 38, 14},
        {IDC_LAMP_ON, kStatic, L"#204", 0x4000020E, 141, 40, 9, 11},
        {-1, kStatic, L"Limiting", 0x50020000, 154, 41, 24, 8},
        {-1, kStatic, L"Audio format of DSP:", 0x50020000, 140, 57, 64, 8},
        {IDC_FORMAT, kStatic, L"----", 0x50020000, 142, 68, 70, 17},
        {IDC_LAMP_OFF, kStatic, L"#205", 0x5000020E, 141, 40, 9, 11},
    };
    ASSERT_EQ(t.items.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(t.items[i], expected[i]) << "control " << i + 1;
        EXPECT_TRUE(t.items[i].caption == expected[i].caption) << "caption of control " << i + 1;
    }
}

// One string of the table in the given language.
std::wstring LoadStringIn(UINT id, WORD language) {
    const HRSRC found = FindResourceExW(gainlet::ThisModule(), RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!found) return L"<no block>";
    const auto* p = static_cast<const WCHAR*>(LockResource(LoadResource(gainlet::ThisModule(), found)));
    for (UINT i = 0; i < id % 16; ++i) p += *p + 1;
    return std::wstring(p + 1, *p);
}

TEST(SettingsResources, StringsInBothLanguages) {
    EXPECT_EQ(LoadStringIn(IDS_TITLE, kEnglish), L"Gainlet");
    EXPECT_EQ(LoadStringIn(IDS_HELPFILE, kEnglish), L"Help File Name");
    EXPECT_EQ(LoadStringIn(IDS_DOCSTRING, kEnglish), L"Gainlet Settings");
    EXPECT_EQ(LoadStringIn(IDS_RANGE_ERROR, kEnglish), L"You must enter a volume between -100dB and +24dB.");
    EXPECT_EQ(LoadStringIn(IDS_TITLE, kJapanese), L"Gainlet");
    EXPECT_EQ(LoadStringIn(IDS_HELPFILE, kJapanese), L"Help File Name");
    EXPECT_EQ(LoadStringIn(IDS_DOCSTRING, kJapanese), L"Gainlet 設定");
    EXPECT_EQ(LoadStringIn(IDS_RANGE_ERROR, kJapanese), L"音量は -100dB から +24dB の間で指定して下さい");
}

// Counts the pixels of one colour in a lamp bitmap.
int CountPixels(UINT id, COLORREF colour, BITMAP* shape) {
    const gainlet::BitmapHandle bitmap(static_cast<HBITMAP>(
        LoadImageW(gainlet::ThisModule(), MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    if (!bitmap) return -1;
    GetObjectW(bitmap.get(), sizeof *shape, shape);
    const gainlet::MemoryDC dc(CreateCompatibleDC(nullptr));
    const HGDIOBJ previous = SelectObject(dc.get(), bitmap.get());
    int count = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) count += GetPixel(dc.get(), x, y) == colour;
    SelectObject(dc.get(), previous);
    return count;
}

TEST(SettingsResources, LampBitmaps) {
    BITMAP shape = {};
    EXPECT_EQ(CountPixels(IDB_LAMP_ON, RGB(0xC0, 0xC0, 0xC0), &shape),
              CountPixels(IDB_LAMP_OFF, RGB(0xC0, 0xC0, 0xC0), &shape))
        << "the same lamp shape";
    EXPECT_EQ(shape.bmWidth, 16);
    EXPECT_EQ(shape.bmHeight, 16);
    EXPECT_EQ(shape.bmBitsPixel, 4);
    EXPECT_GT(CountPixels(IDB_LAMP_ON, RGB(0x84, 0x84, 0x84), &shape), 20) << "outline";
    EXPECT_GT(CountPixels(IDB_LAMP_ON, RGB(0xFF, 0x00, 0x00), &shape), 60) << "lit disc";
    EXPECT_GT(CountPixels(IDB_LAMP_ON, RGB(0xFF, 0x9C, 0x9C), &shape), 20) << "lit rim";
    EXPECT_GT(CountPixels(IDB_LAMP_ON, RGB(0xFF, 0xFF, 0x84), &shape), 0) << "lit glint";
    EXPECT_GT(CountPixels(IDB_LAMP_OFF, RGB(0x6B, 0x00, 0x00), &shape), 60) << "unlit disc";
    EXPECT_GT(CountPixels(IDB_LAMP_OFF, RGB(0xC6, 0x63, 0x00), &shape), 0) << "unlit glint";
    EXPECT_EQ(CountPixels(IDB_LAMP_OFF, RGB(0xFF, 0x00, 0x00), &shape), 0);
}

}  // namespace
}  // namespace gainlet_test
