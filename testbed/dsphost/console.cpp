#include <cstdio>
#include <cwchar>

#include "dsphost.h"

namespace dsphost {
namespace {

void WriteTo(DWORD which, const std::wstring& text) {
    HANDLE handle = GetStdHandle(which);
    if (!handle || handle == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0, written = 0;
    if (GetConsoleMode(handle, &mode)) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return;
    std::string utf8(bytes, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &utf8[0], bytes, nullptr, nullptr);
    WriteFile(handle, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace

void Print(const std::wstring& text) { WriteTo(STD_OUTPUT_HANDLE, text); }

int Fail(const std::wstring& what, HRESULT hr) {
    wchar_t code[32];
    swprintf(code, ARRAYSIZE(code), L" (hr 0x%08lX)\n", static_cast<unsigned long>(hr));
    WriteTo(STD_ERROR_HANDLE, L"dsphost: " + what + code);
    return kExitFailure;
}

bool ParsePositive(const std::wstring& text, DWORD* value) {
    wchar_t* end = nullptr;
    const unsigned long long parsed = wcstoull(text.c_str(), &end, 10);
    if (text.empty() || *end || parsed == 0 || parsed > 0x7FFFFFFF) return false;
    *value = static_cast<DWORD>(parsed);
    return true;
}

bool IsOption(const std::wstring& arg) { return arg.size() > 2 && arg.compare(0, 2, L"--") == 0; }

int UsageError(const std::wstring& problem) {
    WriteTo(STD_ERROR_HANDLE,
            L"dsphost: " + problem +
                L"\nusage: dsphost --list\n"
                L"       dsphost [--clsid {GUID}] [--gain DB] [--disable] [--in-buffer BYTES] [--out-buffer BYTES]\n"
                L"               [--no-timestamps] IN.wav OUT.wav\n"
                L"       dsphost --settings [--clsid {GUID}] [--close-after MS] [IN.wav]\n");
    return kExitUsage;
}

}  // namespace dsphost
