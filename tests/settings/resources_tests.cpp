// The dialog templates, strings and lamp bitmaps as compiled into the
// module, in both languages, read back by language.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/unique_handle.h"
#include "resource.h"
#include "common/this_module.h"
#include "base/shared_gain_state.h"
#include "settings/c_locale_number.h"
#include "settings/gain_range.h"

namespace gainlet_test {
namespace {

const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_NEUTRAL);

struct Item {
    int id;
    std::wstring windowClass;  // "#130" for a predefined class ordinal
    std::wstring caption;      // "#204" for a resource ordinal
    DWORD style;
    RECT rect;  // in dialog units
};

// Style, extended style, size, font face, point size, weight, italic, charset.
using Header = std::tuple<DWORD, DWORD, short, short, std::wstring, WORD, WORD, BYTE, BYTE>;

struct Template {
    Header header;
    short cx = 0, cy = 0;
    std::vector<Item> items;
};

class Reader {
public:
    explicit Reader(const BYTE* p) : p(p), start(p) {}
    template <typename T>
    T Read() {
        T v;
        memcpy(&v, p, sizeof v);
        p += sizeof v;
        return v;
    }
    WORD Word() { return Read<WORD>(); }
    DWORD Dword() { return Read<DWORD>(); }
    BYTE Byte() { return Read<BYTE>(); }
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
    const DWORD exStyle = r.Dword(), style = r.Dword();
    const WORD count = r.Word();
    r.Dword();  // position
    t.cx = static_cast<short>(r.Word());
    t.cy = static_cast<short>(r.Word());
    EXPECT_EQ(r.NameOrOrdinal(), L"") << "no menu";
    EXPECT_EQ(r.NameOrOrdinal(), L"") << "no class";
    EXPECT_EQ(r.NameOrOrdinal(), L"") << "no caption";
    const WORD pointSize = r.Word(), weight = r.Word();
    const BYTE italic = r.Byte(), charset = r.Byte();
    t.header = Header(style, exStyle, t.cx, t.cy, r.NameOrOrdinal(), pointSize, weight, italic, charset);
    for (WORD i = 0; i < count; ++i) {
        r.AlignDword();
        Item item;
        r.Dword();  // help id
        EXPECT_EQ(r.Dword(), 0u) << "no extended style on control " << i;
        item.style = r.Dword();
        const short x = r.Word(), y = r.Word(), cx = r.Word(), cy = r.Word();
        item.rect = {x, y, x + cx, y + cy};
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

const DWORD kPage = WS_CHILD | DS_SETFONT | DS_CONTROL;  // hidden until the frame shows it; no caption or frame
const std::tuple<const char*, WORD, Header> kLanguages[] = {
    {"English", kEnglish, {kPage, 0, 212, 122, L"Segoe UI", 9, 0, 0, 0}},
    {"Japanese", kJapanese, {kPage, 0, 217, 122, L"MS UI Gothic", 9, 400, 0, 0}}};

// Template order is tab order, the same in both languages, except that the
// Japanese page alone has the web page button after the note. The spin takes
// the control before it as its buddy.
std::vector<std::pair<int, std::wstring>> ExpectedControls(WORD language) {
    std::vector<std::pair<int, std::wstring>> controls = {
        {-1, kStatic},          {IDC_GAIN, kEdit}, {IDC_GAIN_SPIN, kUpDown}, {-1, kStatic},
        {IDC_PERCENT, kStatic}, {-1, kStatic},     {IDC_DEFAULT, kButton},   {-1, kStatic},
        {IDC_WEBPAGE, kButton}, {-1, kStatic},     {IDC_PEAK, kButton},      {IDC_LAMP_ON, kStatic},
        {-1, kStatic},          {-1, kStatic},     {IDC_FORMAT, kStatic},    {IDC_LAMP_OFF, kStatic}};
    if (language != kJapanese) controls.erase(controls.begin() + 8);  // the web page button
    return controls;
}

// Exact: a bit too many is as wrong as one missing.
DWORD StyleOfRole(const Item& c) {
    switch (c.id) {
    case IDC_GAIN: return WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_RIGHT | ES_AUTOHSCROLL;
    // The page converts the text itself: no UDS_SETBUDDYINT.
    case IDC_GAIN_SPIN: return WS_CHILD | WS_VISIBLE | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS;
    case IDC_LAMP_ON: return WS_CHILD | SS_BITMAP | SS_CENTERIMAGE;  // hidden until the limiter acts
    case IDC_LAMP_OFF: return WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_CENTERIMAGE;
    }
    if (c.windowClass == kButton) return WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;
    return WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT;
}

// The overlaps the layout means, each between the named control and the one
// before it: the spin sits on the edit's right edge (and puts itself there at
// run time); a text box reaches a unit or two into the control below it.
bool MayOverlapPrevious(WORD language, int id) {
    return id == IDC_GAIN_SPIN || id == (language == kEnglish ? IDC_FORMAT : IDC_WEBPAGE);
}

// The letter a single '&' marks, upper-cased; 0 for none.
wchar_t Mnemonic(const std::wstring& caption) {
    const size_t at = caption.find(L'&');
    return at == std::wstring::npos || at + 1 == caption.size() ? 0 : towupper(caption[at + 1]);
}

size_t IndexOf(const std::vector<Item>& items, int id) {
    return std::find_if(items.begin(), items.end(), [id](const Item& c) { return c.id == id; }) - items.begin();
}

TEST(SettingsResources, TemplateOfEachLanguage) {
    for (const auto& [name, language, header] : kLanguages) {
        SCOPED_TRACE(name);
        const Template t = LoadTemplate(language);
        const std::vector<Item>& items = t.items;
        EXPECT_EQ(t.header, header);
        std::vector<std::pair<int, std::wstring>> controls;
        for (const Item& c : items) controls.emplace_back(c.id, c.windowClass);
        ASSERT_EQ(controls, ExpectedControls(language)) << "(id, class) in tab order";
        std::wstring mnemonics;
        for (size_t i = 0; i < items.size(); ++i) {
            const Item& c = items[i];
            EXPECT_EQ(c.style, StyleOfRole(c)) << "control " << i << std::hex << ", style 0x" << c.style;
            EXPECT_EQ(c.caption.empty(), c.windowClass == kEdit || c.windowClass == kUpDown) << "control " << i;
            const RECT& r = c.rect;
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= t.cx && r.bottom <= t.cy) << "control " << i;
            for (size_t j = i + 1; j < items.size(); ++j) {
                RECT both;
                const bool meant = j == i + 1 && MayOverlapPrevious(language, items[j].id);
                const bool visible = c.style & items[j].style & WS_VISIBLE;
                EXPECT_TRUE(meant || !visible || !IntersectRect(&both, &r, &items[j].rect))
                    << "control " << i << " overlaps " << j;
            }
            const wchar_t mnemonic = Mnemonic(c.caption);
            if (!mnemonic) continue;
            EXPECT_EQ(mnemonics.find(mnemonic), std::wstring::npos) << "control " << i << " repeats a mnemonic";
            mnemonics += mnemonic;
            // A label's mnemonic moves the focus to the control after it.
            EXPECT_TRUE(c.windowClass != kStatic || items.at(i + 1).style & WS_TABSTOP) << "label " << i;
        }
        const size_t gain = IndexOf(items, IDC_GAIN), button = IndexOf(items, IDC_DEFAULT);
        const Item &lit = items[IndexOf(items, IDC_LAMP_ON)], &unlit = items[IndexOf(items, IDC_LAMP_OFF)];
        EXPECT_TRUE(Mnemonic(items[gain - 1].caption)) << "the gain's label";
        EXPECT_TRUE(EqualRect(&lit.rect, &unlit.rect)) << "the lamps take turns in one place";
        EXPECT_EQ(lit.caption, L"#" + std::to_wstring(IDB_LAMP_ON));
        EXPECT_EQ(unlit.caption, L"#" + std::to_wstring(IDB_LAMP_OFF));
        // The range above the default button and the note below it quote the
        // page's own numbers, as the page writes them.
        wchar_t gainDb[32], range[32];
        gainlet::FormatSignedThreeDecimals(gainlet::kDefaultGainDb, L"dB", gainDb, ARRAYSIZE(gainDb));
        swprintf(range, ARRAYSIZE(range), L"%+gdB ~ %+gdB", gainlet::kLowestGainDb, gainlet::kHighestGainDb);
        EXPECT_NE(items[button - 1].caption.find(range), std::wstring::npos) << "the range";
        EXPECT_NE(items[button].caption.find(gainDb), std::wstring::npos) << "the default button";
        EXPECT_NE(items[button + 1].caption.find(gainDb), std::wstring::npos) << "the note";
    }
}

TEST(SettingsResources, JapaneseDiffersOnlyInItsTranslatedTexts) {
    const std::vector<Item> english = LoadTemplate(kEnglish).items;
    std::vector<Item> japanese = LoadTemplate(kJapanese).items;
    japanese.erase(std::remove_if(japanese.begin(), japanese.end(), [](const Item& c) { return c.id == IDC_WEBPAGE; }),
                   japanese.end());
    ASSERT_EQ(english.size(), japanese.size());
    // Translated: the gain's label, the default button and the note below it.
    const size_t gain = IndexOf(english, IDC_GAIN), button = IndexOf(english, IDC_DEFAULT);
    for (size_t i = 0; i < english.size(); ++i) {
        const bool translated = i == gain - 1 || i == button || i == button + 1;
        EXPECT_TRUE(translated || english[i].caption == japanese[i].caption) << "caption of English control " << i;
        // The row from the edit to the range text is laid out alike.
        EXPECT_TRUE(i < gain || i >= button || EqualRect(&english[i].rect, &japanese[i].rect))
            << "rectangle of English control " << i;
    }
}

// One string of the table in the given language; empty when it is missing.
std::wstring LoadStringIn(UINT id, WORD language) {
    const HRSRC found = FindResourceExW(gainlet::ThisModule(), RT_STRING, MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!found) return L"";
    const auto* p = static_cast<const WCHAR*>(LockResource(LoadResource(gainlet::ThisModule(), found)));
    for (UINT i = 0; i < id % 16; ++i) p += *p + 1;
    return std::wstring(p + 1, *p);
}

// The texts themselves are checked where the page shows them: in
// language_tests.cpp, page_protocol_tests.cpp and gain_entry_tests.cpp.
TEST(SettingsResources, StringsInBothLanguages) {
    for (const UINT id : {IDS_TITLE, IDS_HELPFILE, IDS_DOCSTRING, IDS_RANGE_ERROR}) {
        const std::wstring english = LoadStringIn(id, kEnglish), japanese = LoadStringIn(id, kJapanese);
        EXPECT_FALSE(english.empty() || japanese.empty()) << "string " << id;
        EXPECT_TRUE((id != IDS_TITLE && id != IDS_HELPFILE) || english == japanese) << "untranslated string " << id;
    }
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
