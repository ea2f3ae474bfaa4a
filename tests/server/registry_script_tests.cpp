// The registration script interpreter, run against a scratch key of the
// current user that stands in for HKCR.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <string>

#include "common/unique_handle.h"
#include "resource.h"
#include "server/registry_script.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace gainlet {
namespace {

std::wstring StringValue(HKEY key, const wchar_t* name) {
    wchar_t data[512] = {};
    DWORD bytes = sizeof(data) - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &bytes) != ERROR_SUCCESS)
        return L"<absent>";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    return data;
}

const wchar_t kScratchPath[] = L"Software\\Gainlet Tests\\Registry Script";

class RegistryScriptTest : public ::testing::Test {
protected:
    void SetUp() override {
        SHDeleteKeyW(HKEY_CURRENT_USER, kScratchPath);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratchPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  scratch.put(), nullptr),
                  ERROR_SUCCESS);
        roots[0] = {L"HKCR", scratch.get()};
    }
    void TearDown() override {
        scratch.reset();
        SHDeleteKeyW(HKEY_CURRENT_USER, kScratchPath);
    }

    HRESULT Apply(const std::wstring& script, ScriptMode mode) {
        return ApplyRegistryScript(script.c_str(), mode, roots);
    }

    bool KeyExists(const wchar_t* path) {
        RegistryKey key;
        return RegOpenKeyExW(scratch.get(), path, 0, KEY_READ, key.put()) == ERROR_SUCCESS;
    }

    // The REG_SZ data, or "<absent>".
    std::wstring Value(const wchar_t* path, const wchar_t* name) {
        RegistryKey key;
        if (RegOpenKeyExW(scratch.get(), path, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return L"<absent>";
        return StringValue(key.get(), name);
    }

    void Put(const wchar_t* path, const wchar_t* name, const wchar_t* data) {
        RegistryKey key;
        ASSERT_EQ(RegCreateKeyExW(scratch.get(), path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                                 static_cast<DWORD>((wcslen(data) + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    }

    RegistryKey scratch;
    ScriptRoot roots[2] = {{nullptr, nullptr}, {nullptr, nullptr}};
};

const wchar_t kClassScript[] =
    L"HKCR\r\n{\r\n\tNoRemove CLSID\r\n\t{\r\n\t\tForceRemove {11111111-2222-3333-4444-555555555555} = s 'Test "
    L"Class'\r\n\t\t{\r\n\t\t\tInprocServer32 = s 'C:\\it''s\\x.dll'\r\n\t\t\t{\r\n\t\t\t\tval ThreadingModel = s "
    L"'Both'\r\n\t\t\t}\r\n\t\t}\r\n\t}\r\n}\r\n";
const wchar_t kClassKey[] = L"CLSID\\{11111111-2222-3333-4444-555555555555}";
const wchar_t kInprocKey[] = L"CLSID\\{11111111-2222-3333-4444-555555555555}\\InprocServer32";

TEST_F(RegistryScriptTest, RegisterWritesKeysAndValues) {
    ASSERT_EQ(Apply(kClassScript, ScriptMode::Register), S_OK);
    EXPECT_EQ(Value(kClassKey, nullptr), L"Test Class");
    EXPECT_EQ(Value(kInprocKey, nullptr), L"C:\\it's\\x.dll") << "a doubled quote stands for one";
    EXPECT_EQ(Value(kInprocKey, L"ThreadingModel"), L"Both");
}

TEST_F(RegistryScriptTest, ForceRemoveRebuildsTheKeyFromScratch) {
    Put(kClassKey, L"Extra", L"x");
    Put(L"CLSID\\{11111111-2222-3333-4444-555555555555}\\Foreign\\Deep", L"", L"y");
    Put(L"CLSID\\Sibling", L"", L"kept");
    ASSERT_EQ(Apply(kClassScript, ScriptMode::Register), S_OK);
    EXPECT_EQ(Value(kClassKey, L"Extra"), L"<absent>");
    EXPECT_FALSE(KeyExists(L"CLSID\\{11111111-2222-3333-4444-555555555555}\\Foreign"));
    EXPECT_EQ(Value(L"CLSID\\Sibling", nullptr), L"kept");
    EXPECT_EQ(Value(kInprocKey, L"ThreadingModel"), L"Both");
}

TEST_F(RegistryScriptTest, UnregisterRemovesWhatRegisterMadeButNeverANoRemoveKey) {
    ASSERT_EQ(Apply(kClassScript, ScriptMode::Register), S_OK);
    ASSERT_EQ(Apply(kClassScript, ScriptMode::Unregister), S_OK);
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_TRUE(KeyExists(L"CLSID"));
    EXPECT_EQ(Apply(kClassScript, ScriptMode::Unregister), S_OK) << "missing keys and values are no error";
}

TEST_F(RegistryScriptTest, UnregisterLeavesKeysOtherSoftwareStillUses) {
    ASSERT_EQ(Apply(kClassScript, ScriptMode::Register), S_OK);
    Put(L"CLSID\\{11111111-2222-3333-4444-555555555555}\\Foreign", L"", L"theirs");
    ASSERT_EQ(Apply(kClassScript, ScriptMode::Unregister), S_OK);
    EXPECT_FALSE(KeyExists(kInprocKey));
    EXPECT_EQ(Value(L"CLSID\\{11111111-2222-3333-4444-555555555555}\\Foreign", nullptr), L"theirs");
    EXPECT_EQ(Value(kClassKey, nullptr), L"Test Class") << "the class key stays with its own default value";
}

TEST_F(RegistryScriptTest, UnregisterDeletesOnlyTheNamedValue) {
    ASSERT_EQ(Apply(L"HKCR { NoRemove Keep { val A = s '1' val B = s '2' } }", ScriptMode::Register), S_OK);
    ASSERT_EQ(Apply(L"HKCR { NoRemove Keep { val A = s '1' } }", ScriptMode::Unregister), S_OK);
    EXPECT_EQ(Value(L"Keep", L"A"), L"<absent>");
    EXPECT_EQ(Value(L"Keep", L"B"), L"2");
}

TEST_F(RegistryScriptTest, SyntaxErrorsChangeNothing) {
    const wchar_t* const broken[] = {
        L"HKLM { Key }",                      // unknown root
        L"HKCR { A\\B = s 'x' }",             // more than one path element
        L"HKCR { Key = s 'x' ",               // block not closed
        L"HKCR { Key = d '1' }",              // a type the scripts do not use
        L"HKCR { Key = s x }",                // unquoted text
        L"HKCR { Key = s 'x }",               // quote not closed
        L"HKCR { val = s 'x' }",              // value without a name
        L"HKCR Key",                          // no block
        L"HKCR { '' = s 'x' }",               // empty key name
        L"HKCR { Good = s 'y' } HKCR { Bad",  // an error after a good block
    };
    for (const wchar_t* script : broken) {
        EXPECT_EQ(Apply(script, ScriptMode::Register), DISP_E_EXCEPTION) << script;
        EXPECT_EQ(Apply(script, ScriptMode::Unregister), DISP_E_EXCEPTION) << script;
    }
    // Beyond the interpreter's fixed buffers: a name too long to hold, or
    // keys nested deeper than it follows.
    std::wstring deep = L"HKCR {";
    for (int level = 0; level < 20; ++level) deep += L" K {";
    for (int level = 0; level < 21; ++level) deep += L" }";
    for (const std::wstring& script : {L"HKCR { Good = s 'y' } HKCR { " + std::wstring(1100, L'x') + L" }", deep})
        EXPECT_EQ(Apply(script, ScriptMode::Register), HRESULT_FROM_WIN32(ERROR_BUFFER_OVERFLOW));
    DWORD subkeys = 1;
    RegQueryInfoKeyW(scratch.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr);
    EXPECT_EQ(subkeys, 0u);
}

TEST_F(RegistryScriptTest, KeywordsAndRootAreCaseInsensitive) {
    EXPECT_EQ(Apply(L"hkcr { noremove K { VAL v = S 'x' } }", ScriptMode::Register), S_OK);
    EXPECT_EQ(Value(L"K", L"v"), L"x");
}

TEST_F(RegistryScriptTest, FailedRegistrationIsTakenBack) {
    // A key name longer than the registry allows fails after the first keys exist.
    const std::wstring tooLong(300, L'x');
    const std::wstring script =
        L"HKCR { Made = s 'a' { Inner = s 'b' } NoRemove Kept { val V = s 'c' } " + tooLong + L" = s 'd' }";
    const HRESULT hr = Apply(script, ScriptMode::Register);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_WIN32) << std::hex << hr;
    EXPECT_FALSE(KeyExists(L"Made"));
    EXPECT_EQ(Value(L"Kept", L"V"), L"<absent>");
    EXPECT_TRUE(KeyExists(L"Kept")) << "NoRemove keys stay even when rolled back";
}

TEST(SubstituteReplacements, ReplacesNamesCaseInsensitivelyAndPercentPairs) {
    const ScriptReplacement map[] = {{L"Module", L"C:\\o''k"}, {L"Module_Raw", L"C:\\o'k"}};
    wchar_t out[64];
    ASSERT_EQ(SubstituteReplacements(L"a '%MODULE%' %module_raw% 100%% %%%Module%", map, 2, out, 64), S_OK);
    EXPECT_STREQ(out, L"a 'C:\\o''k' C:\\o'k 100% %C:\\o''k");
}

TEST(SubstituteReplacements, RefusesUnknownUnclosedOverlongNamesAndResultsThatDoNotFit) {
    const std::wstring longName(31, L'N');
    const ScriptReplacement map[] = {{L"Module", L"x"}, {longName.c_str(), L"long"}};
    wchar_t out[16] = L"untouched";
    auto substitute = [&](const std::wstring& text, size_t capacity = 16) {
        return SubstituteReplacements(text.c_str(), map, 2, out, capacity);
    };
    EXPECT_EQ(substitute(L"%NOPE%"), DISP_E_EXCEPTION);
    EXPECT_EQ(substitute(L"x %MODULE"), DISP_E_EXCEPTION);
    EXPECT_EQ(substitute(L"%" + std::wstring(32, L'N') + L"%"), E_FAIL);
    EXPECT_EQ(substitute(L"%module%%module%", 2), HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_STREQ(out, L"untouched");
    EXPECT_EQ(substitute(L"%module%", 2), S_OK) << "exactly fits, with the null";
    EXPECT_EQ(substitute(L"%" + std::wstring(31, L'n') + L"%"), S_OK);
    EXPECT_STREQ(out, L"long");
}

// The scripts the DLL carries: ANSI, CR LF, one tab per nesting level.
TEST(RegistrationResources, ScriptsAreTheClassesKeysInCrLfText) {
    HMODULE self = reinterpret_cast<HMODULE>(&__ImageBase);
    struct Expected {
        UINT id;
        const char* text;
    } const scripts[] = {
        {IDR_GAINLET,
         "HKCR\r\n{\r\n\tNoRemove CLSID\r\n\t{\r\n\t\tForceRemove {CB5764E3-601F-4017-B0C5-11CE65E068C1} = s 'Gainlet "
         "Class'\r\n\t\t{\r\n\t\t\tInprocServer32 = s '%MODULE%'\r\n\t\t\t{\r\n\t\t\t\tval ThreadingModel = s "
         "'Both'\r\n\t\t\t}\r\n\t\t}\r\n\t}\r\n}\r\n"},
        {IDR_GAINLETPROPPAGE,
         "HKCR\r\n{\r\n\tNoRemove CLSID\r\n\t{\r\n\t\tForceRemove {1B57CFE0-1B2F-498B-82AB-F853BF229E55} = s 'Gainlet "
         "PropertyPage Class'\r\n\t\t{\r\n\t\t\tInprocServer32 = s '%MODULE%'\r\n\t\t\t{\r\n\t\t\t\tval "
         "ThreadingModel = s 'Apartment'\r\n\t\t\t}\r\n\t\t}\r\n\t}\r\n}\r\n"},
    };
    for (const Expected& script : scripts) {
        HRSRC resource = FindResourceExW(self, L"REGISTRY", MAKEINTRESOURCEW(script.id),
                                         MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
        ASSERT_NE(resource, nullptr) << script.id;
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(self, resource)));
        EXPECT_EQ(std::string(bytes, SizeofResource(self, resource)), script.text) << script.id;
    }
}

// The real scripts against the real HKCR of the test prefix, with this test
// program standing in for the DLL.
TEST(RegistrationResources, ClassScriptRegistersThisModuleAndUnregistersCleanly) {
    const wchar_t classKey[] = L"CLSID\\{CB5764E3-601F-4017-B0C5-11CE65E068C1}";
    HMODULE self = reinterpret_cast<HMODULE>(&__ImageBase);
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(self, path, MAX_PATH);

    ASSERT_EQ(RunRegistrationScript(self, IDR_GAINLET, ScriptMode::Register), S_OK);
    RegistryKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, (std::wstring(classKey) + L"\\InprocServer32").c_str(), 0, KEY_READ,
                            key.put()),
              ERROR_SUCCESS);
    EXPECT_EQ(StringValue(key.get(), nullptr), path);
    EXPECT_EQ(StringValue(key.get(), L"ThreadingModel"), L"Both");
    key.reset();

    EXPECT_EQ(RunRegistrationScript(self, IDR_GAINLET, ScriptMode::Unregister), S_OK);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, classKey, 0, KEY_READ, key.put()), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID", 0, KEY_READ, key.put()), ERROR_SUCCESS);
}

TEST(RegistrationResources, MissingScriptResourceFails) {
    HMODULE self = reinterpret_cast<HMODULE>(&__ImageBase);
    EXPECT_EQ(RunRegistrationScript(self, 999, ScriptMode::Register),
              HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND));
}

}  // namespace
}  // namespace gainlet
