// The COM class keys as the DLL writes and removes them, run against a
// scratch key of the current user that stands in for HKCR.
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <string>

#include "common/this_module.h"
#include "common/unique_handle.h"
#include "gainlet.h"
#include "registry_probe.h"
#include "resource.h"
#include "server/class_keys.h"
#include "server/class_table.h"
#include "server/registration.h"

namespace gainlet {
namespace {

const ClassEntry& ClassOf(const CLSID& clsid) {
    const ClassEntry* entry = ServerClassTable();
    while (entry->clsid && *entry->clsid != clsid) ++entry;
    return *entry;
}

const wchar_t kScratchPath[] = L"Software\\Gainlet Tests\\Class Keys";

class ClassKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        SHDeleteKeyW(HKEY_CURRENT_USER, kScratchPath);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kScratchPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  scratch.put(), nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        scratch.reset();
        SHDeleteKeyW(HKEY_CURRENT_USER, kScratchPath);
    }

    HRESULT Register(const RegistryEntry* entries = ClassOf(CLSID_Gainlet).registryEntries) {
        return RegisterClassKeys(scratch.get(), entries, L"C:\\it's\\x.dll");
    }
    HRESULT Unregister() { return UnregisterClassKeys(scratch.get(), ClassOf(CLSID_Gainlet).registryEntries); }

    bool KeyExists(const wchar_t* path) { return test::KeyExists(scratch.get(), path); }
    std::wstring Value(const wchar_t* path, const wchar_t* name) {
        return test::StringValue(scratch.get(), path, name);
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
};

const wchar_t kClassKey[] = L"CLSID\\{CB5764E3-601F-4017-B0C5-11CE65E068C1}";
const wchar_t kInprocKey[] = L"CLSID\\{CB5764E3-601F-4017-B0C5-11CE65E068C1}\\InprocServer32";
const wchar_t kForeignKey[] = L"CLSID\\{CB5764E3-601F-4017-B0C5-11CE65E068C1}\\Foreign";

TEST_F(ClassKeysTest, RegisterWritesKeysAndValues) {
    ASSERT_EQ(Register(), S_OK);
    EXPECT_EQ(Value(kClassKey, nullptr), L"Gainlet Class");
    EXPECT_EQ(Value(kInprocKey, nullptr), L"C:\\it's\\x.dll") << "the module's path as it is";
    EXPECT_EQ(Value(kInprocKey, L"ThreadingModel"), L"Both");
}

TEST_F(ClassKeysTest, ForceRemoveRebuildsTheKeyFromScratch) {
    Put(kClassKey, L"Extra", L"x");
    Put(L"CLSID\\{CB5764E3-601F-4017-B0C5-11CE65E068C1}\\Foreign\\Deep", L"", L"y");
    Put(L"CLSID\\Sibling", L"", L"kept");
    ASSERT_EQ(Register(), S_OK);
    EXPECT_EQ(Value(kClassKey, L"Extra"), L"<absent>");
    EXPECT_FALSE(KeyExists(kForeignKey));
    EXPECT_EQ(Value(L"CLSID\\Sibling", nullptr), L"kept");
    EXPECT_EQ(Value(kInprocKey, L"ThreadingModel"), L"Both");
}

TEST_F(ClassKeysTest, UnregisterRemovesWhatRegisterMadeButNeverTheClsidKey) {
    ASSERT_EQ(Register(), S_OK);
    ASSERT_EQ(Unregister(), S_OK);
    EXPECT_FALSE(KeyExists(kClassKey));
    EXPECT_TRUE(KeyExists(L"CLSID"));
    EXPECT_EQ(Unregister(), S_OK) << "missing keys and values are no error";
}

TEST_F(ClassKeysTest, UnregisterLeavesKeysOtherSoftwareStillUses) {
    ASSERT_EQ(Register(), S_OK);
    Put(kForeignKey, L"", L"theirs");
    ASSERT_EQ(Unregister(), S_OK);
    EXPECT_FALSE(KeyExists(kInprocKey));
    EXPECT_EQ(Value(kForeignKey, nullptr), L"theirs");
    EXPECT_EQ(Value(kClassKey, nullptr), L"Gainlet Class") << "the class key stays with its own default value";
}

TEST_F(ClassKeysTest, FailedRegistrationIsTakenBack) {
    // A key name longer than the registry allows fails after the first keys exist.
    const std::wstring tooLong = L"Made\\Inner\\" + std::wstring(300, L'x');
    const RegistryEntry entries[] = {
        {L"Made", nullptr, L"a"},         {L"Made\\Inner", nullptr, L"b"}, {L"Made\\Inner", L"V", L"c"},
        {tooLong.c_str(), nullptr, L"d"}, {nullptr, nullptr, nullptr},
    };
    const HRESULT hr = Register(entries);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_WIN32) << std::hex << hr;
    EXPECT_FALSE(KeyExists(L"Made"));
}

std::string Narrow(const wchar_t* text) { return std::string(text, text + wcslen(text)); }

// The text of the REGISTRY script that states what entries register: the
// class key with its name, InprocServer32 with the module's path, and the
// threading model.
std::string ScriptOf(const ClassEntry& entry) {
    const RegistryEntry* keys = entry.registryEntries;
    wchar_t clsid[39];
    StringFromGUID2(*entry.clsid, clsid, 39);
    const std::wstring classKey = L"CLSID\\" + std::wstring(clsid);
    const std::wstring inproc = classKey + L"\\InprocServer32";
    EXPECT_EQ(keys[0].key, classKey);
    EXPECT_EQ(keys[0].valueName, nullptr);
    EXPECT_EQ(keys[1].key, inproc);
    EXPECT_EQ(keys[1].valueName, nullptr);
    EXPECT_EQ(keys[1].data, nullptr) << "the module's path";
    EXPECT_EQ(keys[2].key, inproc);
    EXPECT_STREQ(keys[2].valueName, L"ThreadingModel");
    EXPECT_EQ(keys[3].key, nullptr);
    if (!keys[0].data || !keys[2].data || keys[3].key) return "<not the shape of a class's keys>";
    return "HKCR\r\n{\r\n\tNoRemove CLSID\r\n\t{\r\n\t\tForceRemove " + Narrow(clsid) + " = s '" +
           Narrow(keys[0].data) +
           "'\r\n\t\t{\r\n\t\t\tInprocServer32 = s '%MODULE%'\r\n\t\t\t{\r\n\t\t\t\tval "
           "ThreadingModel = s '" +
           Narrow(keys[2].data) + "'\r\n\t\t\t}\r\n\t\t}\r\n\t}\r\n}\r\n";
}

// The scripts the DLL carries (ANSI, CR LF, one tab per nesting level), and
// the class table's keys saying the same.
TEST(RegistrationResources, ScriptsAreTheClassesKeysInCrLfText) {
    const HMODULE self = ThisModule();
    struct Expected {
        UINT id;
        const CLSID* clsid;
        const char* text;
    } const scripts[] = {
        {IDR_GAINLET, &CLSID_Gainlet,
         "HKCR\r\n{\r\n\tNoRemove CLSID\r\n\t{\r\n\t\tForceRemove {CB5764E3-601F-4017-B0C5-11CE65E068C1} = s 'Gainlet "
         "Class'\r\n\t\t{\r\n\t\t\tInprocServer32 = s '%MODULE%'\r\n\t\t\t{\r\n\t\t\t\tval ThreadingModel = s "
         "'Both'\r\n\t\t\t}\r\n\t\t}\r\n\t}\r\n}\r\n"},
        {IDR_GAINLETPROPPAGE, &CLSID_GainletPropPage,
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
        const ClassEntry& entry = ClassOf(*script.clsid);
        ASSERT_NE(entry.clsid, nullptr) << script.id;
        EXPECT_EQ(ScriptOf(entry), script.text) << script.id;
    }
}

// The class table against the real HKCR of the test prefix, with this test
// program standing in for the DLL.
TEST(RegistrationResources, ClassKeysNameThisModuleAndUnregisterCleanly) {
    const HMODULE self = ThisModule();
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(self, path, MAX_PATH);
    const ClassEntry classes[] = {{&CLSID_Gainlet, ClassOf(CLSID_Gainlet).registryEntries, nullptr, nullptr}, {}};

    ASSERT_EQ(RegisterClasses(self, classes), S_OK);
    EXPECT_EQ(test::StringValue(HKEY_CLASSES_ROOT, kInprocKey, nullptr), path);
    EXPECT_EQ(test::StringValue(HKEY_CLASSES_ROOT, kInprocKey, L"ThreadingModel"), L"Both");

    EXPECT_EQ(UnregisterClasses(self, classes), S_OK);
    EXPECT_FALSE(test::KeyExists(HKEY_CLASSES_ROOT, kClassKey));
    EXPECT_TRUE(test::KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
}

}  // namespace
}  // namespace gainlet
