// Answers message boxes the way a user would, for tests that run a program
// with a real user interface:
//
//   msgbox_answer.exe [--timeout MS] CAPTION ANSWER [ANSWER ...]
//
// For each ANSWER in turn it waits for a message box titled CAPTION (a
// trailing * matches any rest), prints its caption, its buttons (the default
// one marked *) and its text, presses the named button
// and waits for the box to close. Answers: Yes, No, OK, Cancel, TryAgain,
// Continue (also "Try Again"). Output is UTF-8. Exit codes: 0 all answered,
// 2 no box within the time-out, 3 the box lacks the named button, 1 usage.
#include <windows.h>

#include <string>
#include <vector>

namespace {

struct ButtonName {
    int id;
    const wchar_t* name;
};

const ButtonName kButtons[] = {
    {IDOK, L"OK"},   {IDCANCEL, L"Cancel"}, {IDABORT, L"Abort"},       {IDRETRY, L"Retry"},       {IDIGNORE, L"Ignore"},
    {IDYES, L"Yes"}, {IDNO, L"No"},         {IDTRYAGAIN, L"TryAgain"}, {IDCONTINUE, L"Continue"},
};

const wchar_t* NameOf(int id) {
    for (const ButtonName& b : kButtons)
        if (b.id == id) return b.name;
    return L"?";
}

int IdOf(std::wstring name) {
    if (name == L"Try Again") name = L"TryAgain";
    for (const ButtonName& b : kButtons)
        if (lstrcmpiW(b.name, name.c_str()) == 0) return b.id;
    return 0;
}

void Print(const std::wstring& text) {
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], bytes, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

std::wstring WindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(length + 1, L'\0');
    text.resize(GetWindowTextW(window, &text[0], length + 1));
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = L"";
    GetClassNameW(window, name, ARRAYSIZE(name));
    return name;
}

struct BoxContents {
    std::wstring text;
    std::vector<HWND> buttons;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
    BoxContents& box = *reinterpret_cast<BoxContents*>(param);
    const std::wstring cls = ClassOf(child);
    if (lstrcmpiW(cls.c_str(), L"Button") == 0) {
        box.buttons.push_back(child);
    } else if (lstrcmpiW(cls.c_str(), L"Static") == 0) {
        // The icon is a static control too, without text.
        const std::wstring text = WindowText(child);
        if (text.size() > box.text.size()) box.text = text;
    }
    return TRUE;
}

bool CaptionMatches(const std::wstring& caption, const std::wstring& pattern) {
    if (!pattern.empty() && pattern.back() == L'*')
        return caption.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return caption == pattern;
}

struct Search {
    const std::wstring* caption;
    HWND found;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
    Search& search = *reinterpret_cast<Search*>(param);
    if (IsWindowVisible(window) && ClassOf(window) == L"#32770" &&
        CaptionMatches(WindowText(window), *search.caption)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForBox(const std::wstring& caption, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        Search search = {&caption, nullptr};
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(50);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int arg = 1;
    DWORD timeoutMs = 30000;
    if (arg + 1 < argc && lstrcmpW(argv[arg], L"--timeout") == 0) {
        timeoutMs = static_cast<DWORD>(_wtoi(argv[arg + 1]));
        arg += 2;
    }
    if (argc - arg < 2) {
        Print(L"usage: msgbox_answer.exe [--timeout MS] CAPTION ANSWER [ANSWER ...]\n");
        return 1;
    }
    const std::wstring caption = argv[arg++];

    for (int n = 1; arg < argc; ++arg, ++n) {
        const int answerId = IdOf(argv[arg]);
        HWND box = WaitForBox(caption, timeoutMs);
        if (!box) {
            Print(L"--- box " + std::to_wstring(n) + L": none within the time-out\n");
            return 2;
        }
        Sleep(100);  // let the box finish creating its controls
        BoxContents contents;
        EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&contents));

        std::wstring report = L"--- box " + std::to_wstring(n) + L"\ncaption: " + WindowText(box) + L"\nbuttons:";
        HWND pressed = nullptr;
        for (HWND button : contents.buttons) {
            const int id = GetDlgCtrlID(button);
            report += L" ";
            report += NameOf(id);
            if ((GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) report += L"*";
            if (id == answerId) pressed = button;
        }
        report += L"\ntext:\n" + contents.text + L"\n";
        if (!pressed) {
            Print(report + L"answer: " + argv[arg] + L" (no such button)\n");
            return 3;
        }
        Print(report + L"answer: " + NameOf(answerId) + L"\n");
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(answerId, BN_CLICKED), reinterpret_cast<LPARAM>(pressed));

        const DWORD start = GetTickCount();
        while (IsWindow(box) && GetTickCount() - start < timeoutMs) Sleep(50);
        if (IsWindow(box)) {
            Print(L"box did not close\n");
            return 2;
        }
    }
    return 0;
}
