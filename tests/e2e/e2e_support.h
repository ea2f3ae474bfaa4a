// What every end-to-end suite needs from the prefix it runs in: the paths
// run-e2e.sh hands over, and other programs of the prefix run to the end.
#pragma once

#include <gtest/gtest.h>

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

// Tests in the prefix run-e2e.sh prepared, with the registrar stand-in
// registered; dll is the plug-in's path.
class RegistrarTest : public ::testing::Test {
protected:
    void SetUp() override {
        dll = Env(L"GAINLET_DLL");
        ASSERT_FALSE(dll.empty()) << "run through run-e2e.sh";
        ASSERT_EQ(Regsvr32(L"", Env(L"GAINLET_REGISTRAR")), 0u);
    }
    std::wstring dll;
};

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
