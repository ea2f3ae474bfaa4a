// Measures, from outside the frame's process, whether a property page shows
// every caption whole:
//
//   frame_captions.exe [--timeout MS] [--set ID=TEXT] [--settle MS] [--close] MODULE [DIALOG]
//
// MODULE holds the page's dialog template (DIALOG, default 108) in the
// language of this process's user interface; the template gives the page's
// font and its control ids. The tool waits for a visible child dialog of
// any top-level window that has a control of every id of the template,
// optionally sets the text of control ID (the page reacts as to typing)
// and waits MS milliseconds (default 500) for the page to show its values.
// Then it measures, in a font made as the dialog manager makes the
// template's, each static's and push button's caption and each edit's
// text against its control's client area:
//   - a label or button caption on one line no wider than its control
//     (a button's inside its raised edge), no taller than it;
//   - a wrapped text (a static laid out for more than one line) no taller
//     than its control once wrapped at its width;
//   - an edit's text within its margins.
// It prints one line per control and, with --close, presses the frame's
// Cancel. Output is UTF-8. Exit codes: 0 every caption whole, 1 a caption
// cut, 2 no such page within the time-out (default 20 s), 3 usage or an
// unreadable template.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr int kExitWhole = 0, kExitCut = 1, kExitNoPage = 2, kExitUsage = 3;

struct DialogTemplate {
    WORD pointSize = 0;
    WORD weight = 0;
    BYTE italic = 0;
    std::wstring face;
    std::vector<int> ids;  // of the controls that have one
};

// A forward reader over an extended dialog template.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : at(data), end(data + size) {}
    bool ok = true;
    template <typename T>
    T Read() {
        T value{};
        if (static_cast<size_t>(end - at) < sizeof value) {
            ok = false;
            return value;
        }
        std::memcpy(&value, at, sizeof value);
        at += sizeof value;
        return value;
    }
    std::wstring String() {
        std::wstring text;
        for (WORD c = Read<WORD>(); ok && c; c = Read<WORD>()) text += static_cast<wchar_t>(c);
        return text;
    }
    void SkipNameOrOrdinal() {
        const WORD first = Read<WORD>();
        if (first == 0xFFFF) {
            Read<WORD>();
        } else if (first != 0) {
            String();
        }
    }
    void AlignDword(const BYTE* base) {
        while ((at - base) % 4 && at < end) ++at;
    }
    void Skip(size_t bytes) {
        if (static_cast<size_t>(end - at) < bytes) {
            ok = false;
            return;
        }
        at += bytes;
    }

private:
    const BYTE* at;
    const BYTE* end;
};

bool ReadTemplate(const wchar_t* modulePath, WORD dialogId, DialogTemplate* out) {
    const HMODULE module = LoadLibraryExW(modulePath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return false;
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(dialogId), RT_DIALOG);
    const HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const auto* data = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    bool read = false;
    if (data) {
        Reader r(data, SizeofResource(module, found));
        const WORD version = r.Read<WORD>(), signature = r.Read<WORD>();
        r.Read<DWORD>();  // help id
        r.Read<DWORD>();  // extended style
        const DWORD style = r.Read<DWORD>();
        const WORD count = r.Read<WORD>();
        r.Skip(4 * sizeof(short));
        r.SkipNameOrOrdinal();  // menu
        r.SkipNameOrOrdinal();  // class
        r.String();             // title
        if (style & DS_SETFONT) {
            out->pointSize = r.Read<WORD>();
            out->weight = r.Read<WORD>();
            out->italic = r.Read<BYTE>();
            r.Read<BYTE>();  // character set: the dialog manager asks for the default one
            out->face = r.String();
        }
        for (WORD i = 0; i < count && r.ok; ++i) {
            r.AlignDword(data);
            r.Read<DWORD>();  // help id
            r.Read<DWORD>();  // extended style
            r.Read<DWORD>();  // style
            r.Skip(4 * sizeof(short));
            const int id = static_cast<int>(r.Read<DWORD>());
            r.SkipNameOrOrdinal();  // class
            r.SkipNameOrOrdinal();  // caption
            r.Skip(r.Read<WORD>());
            if (id != -1 && id != 0xFFFF) out->ids.push_back(id);
        }
        read = r.ok && version == 1 && signature == 0xFFFF && (style & DS_SETFONT);
    }
    FreeLibrary(module);
    return read;
}

struct Search {
    const DialogTemplate* dialog;
    HWND page = nullptr;
};

BOOL CALLBACK FindPageAmongChildren(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<Search*>(param);
    wchar_t name[16] = {};
    GetClassNameW(window, name, ARRAYSIZE(name));
    if (std::wcscmp(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    for (int id : search->dialog->ids) {
        if (!GetDlgItem(window, id)) return TRUE;
    }
    search->page = window;
    return FALSE;
}

BOOL CALLBACK FindPageInFrame(HWND window, LPARAM param) {
    if (!IsWindowVisible(window)) return TRUE;
    EnumChildWindows(window, FindPageAmongChildren, param);
    return reinterpret_cast<Search*>(param)->page ? FALSE : TRUE;
}

std::wstring Text(HWND window) {
    wchar_t text[512] = {};
    DWORD_PTR ignored;
    SendMessageTimeoutW(window, WM_GETTEXT, ARRAYSIZE(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    return text;
}

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    return out;
}

bool IsClass(HWND window, const wchar_t* name) {
    wchar_t found[32] = {};
    GetClassNameW(window, found, ARRAYSIZE(found));
    return lstrcmpiW(found, name) == 0;
}

SIZE Extent(HDC dc, const std::wstring& text, UINT flags, int width) {
    RECT area = {0, 0, width, 0};
    DrawTextW(dc, text.c_str(), -1, &area, DT_CALCRECT | DT_LEFT | DT_EXPANDTABS | flags);
    return {area.right - area.left, area.bottom - area.top};
}

// Measures one control; false when its caption is cut.
bool MeasureControl(HDC dc, HWND control, int lineHeight) {
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT client;
    GetClientRect(control, &client);
    const std::wstring text = Text(control);
    const char* kind = nullptr;
    SIZE needed{}, room = {client.right, client.bottom};
    if (IsClass(control, L"Static")) {
        const LONG type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE)
            return true;
        const UINT prefix = style & SS_NOPREFIX ? DT_NOPREFIX : 0;
        const bool wrapped = type != SS_LEFTNOWORDWRAP && type != SS_SIMPLE && 2 * client.bottom >= 3 * lineHeight;
        kind = wrapped ? "wrapped" : "label";
        needed = wrapped ? Extent(dc, text, DT_WORDBREAK | prefix, client.right)
                         : Extent(dc, text, DT_SINGLELINE | prefix, 0);
    } else if (IsClass(control, L"Button")) {
        const LONG type = style & BS_TYPEMASK;
        if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) return true;
        kind = "button";
        needed = Extent(dc, text, DT_SINGLELINE, 0);
        room.cx -= 4 * GetSystemMetrics(SM_CXEDGE);
        room.cy -= 2 * GetSystemMetrics(SM_CYEDGE);
    } else if (IsClass(control, L"Edit")) {
        kind = "edit";
        DWORD_PTR margins = 0;
        SendMessageTimeoutW(control, EM_GETMARGINS, 0, 0, SMTO_ABORTIFHUNG, 5000, &margins);
        needed = Extent(dc, text, DT_SINGLELINE | DT_NOPREFIX, 0);
        room.cx -= LOWORD(margins) + HIWORD(margins);
        needed.cy = 0;
    } else {
        return true;
    }
    const bool whole = needed.cx <= room.cx && needed.cy <= room.cy;
    std::printf("%-4s %-7s %5d \"%s\": needs %ldx%ld, has %ldx%ld\n", whole ? "ok" : "CUT", kind, GetDlgCtrlID(control),
                Utf8(text).c_str(), needed.cx, needed.cy, room.cx, room.cy);
    return whole;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: frame_captions.exe [--timeout MS] [--set ID=TEXT] [--settle MS] [--close] MODULE [DIALOG]\n");
    return kExitUsage;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    DWORD timeoutMs = 20000, settleMs = 500;
    int setId = 0;
    std::wstring setText, modulePath;
    bool close = false;
    WORD dialogId = 108;
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--timeout" && hasValue) {
            timeoutMs = wcstoul(argv[++i], nullptr, 10);
        } else if (arg == L"--settle" && hasValue) {
            settleMs = wcstoul(argv[++i], nullptr, 10);
        } else if (arg == L"--set" && hasValue) {
            const std::wstring value = argv[++i];
            const size_t equals = value.find(L'=');
            if (equals == std::wstring::npos) return Usage();
            setId = static_cast<int>(wcstol(value.substr(0, equals).c_str(), nullptr, 10));
            setText = value.substr(equals + 1);
        } else if (arg == L"--close") {
            close = true;
        } else if (modulePath.empty()) {
            modulePath = arg;
        } else {
            dialogId = static_cast<WORD>(wcstoul(arg.c_str(), nullptr, 10));
        }
    }
    if (modulePath.empty()) return Usage();

    DialogTemplate dialog;
    if (!ReadTemplate(modulePath.c_str(), dialogId, &dialog)) {
        std::fprintf(stderr, "frame_captions: no extended dialog template %u with a font in the module\n", dialogId);
        return kExitUsage;
    }
    Search search{&dialog};
    for (DWORD waited = 0; !search.page && waited < timeoutMs; waited += 100) {
        EnumWindows(FindPageInFrame, reinterpret_cast<LPARAM>(&search));
        if (!search.page) Sleep(100);
    }
    if (!search.page) {
        std::fprintf(stderr, "frame_captions: no page of dialog %u appeared\n", dialogId);
        return kExitNoPage;
    }
    if (setId) {
        DWORD_PTR ignored;
        SendMessageTimeoutW(GetDlgItem(search.page, setId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(setText.c_str()),
                            SMTO_ABORTIFHUNG, 5000, &ignored);
    }
    Sleep(settleMs);

    const HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    const HFONT font = CreateFontW(-MulDiv(dialog.pointSize, dpi, 72), 0, 0, 0, dialog.weight, dialog.italic, FALSE,
                                   FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH | FF_DONTCARE, dialog.face.c_str());
    const HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    wchar_t used[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, used);
    std::printf("dpi %d, font \"%s\" %u pt as \"%s\", %ld px high\n", dpi, Utf8(dialog.face).c_str(), dialog.pointSize,
                Utf8(used).c_str(), metrics.tmHeight);

    bool whole = true;
    for (HWND child = GetWindow(search.page, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!MeasureControl(dc, child, metrics.tmHeight)) whole = false;
    }
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);

    if (close) PostMessageW(GetAncestor(search.page, GA_ROOT), WM_COMMAND, IDCANCEL, 0);
    return whole ? kExitWhole : kExitCut;
}
