// What every end-to-end suite needs from the prefix it runs in: the paths
// run-e2e.sh hands over, and other programs of the prefix run to the end.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>

namespace e2e {

// An environment variable; empty when it is not set.
std::wstring Env(const wchar_t* name);

std::wstring Quoted(const std::wstring& path);

struct ProcessResult {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;  // stdout, UTF-8
};

// Runs commandLine to its end, collecting its standard output.
ProcessResult RunProcess(const std::wstring& commandLine);

// regsvr32.exe /s with options ("" or "/u ") on dll; its exit code.
DWORD Regsvr32(const std::wstring& options, const std::wstring& dll);

// The calling thread in a COM apartment of the given model for the scope.
struct ComApartment {
    explicit ComApartment(DWORD model) : hr(CoInitializeEx(nullptr, model)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    const HRESULT hr;
};

}  // namespace e2e
