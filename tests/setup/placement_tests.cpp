// The installer's file placement and path rules, in-process under Wine.
// Arguments: the path of a DLL with version 1.1.0.1 and of Setup.exe (host
// paths; they are reached through drive Z:).
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/unique_handle.h"
#include "delete_or_defer.h"
#include "file_facts.h"
#include "gainlet/include/settings_key.h"
#include "install_path.h"
#include "setup_flow.h"
#include "uninstall_entry.h"
#include "user_settings.h"

using gainlet::setup::AppendInstallPath;
using gainlet::setup::BuildBackupPath;
using gainlet::setup::BuildInstallPath;
using gainlet::setup::DeleteOrDeferFile;
using gainlet::setup::FormatDisplayVersion;
using gainlet::setup::IsUninstallRequest;
using gainlet::setup::kInstallFolderName;
using gainlet::setup::kUninstallKey;
using gainlet::setup::ProgramFilesBesideWindows;
using gainlet::setup::QueryFileSize;
using gainlet::setup::QueryFileVersion;
using gainlet::setup::QueryLastWriteTime;
using gainlet::setup::RemoveUninstallEntry;
using gainlet::setup::RemoveUserSettings;
using gainlet::setup::WriteUninstallEntry;

namespace {

std::wstring g_versionedDll;
std::wstring g_setupExe;

std::wstring WindowsPath(const char* hostPath) {
    std::wstring path;
    for (const char* p = hostPath; *p; ++p) path += *p == '/' ? L'\\' : static_cast<wchar_t>(*p);
    return hostPath[0] == '/' ? L"Z:" + path : path;
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteFile(const std::wstring& path, const char* content = "x") {
    const gainlet::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_NE(file.get(), INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ::WriteFile(file.get(), content, lstrlenA(content), &written, nullptr);
}

// A scratch folder on the prefix's C: drive, emptied afterwards.
class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"setup-placement-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
    }
    void TearDown() override {
        WIN32_FIND_DATAW data;
        gainlet::FindHandle find(FindFirstFileW((folder_ + L"\\*").c_str(), &data));
        if (find) {
            do {
                const std::wstring path = folder_ + L"\\" + data.cFileName;
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            } while (FindNextFileW(find.get(), &data));
            find.reset();
        }
        RemoveDirectoryW(folder_.c_str());
    }
    std::wstring Path(const wchar_t* name) const { return folder_ + L"\\" + name; }

    std::wstring folder_;
};

// Appends fileName (and subFolder) to base with AppendInstallPath.
bool Append(const std::wstring& base, const wchar_t* subFolder, const std::wstring& fileName, std::wstring* result) {
    wchar_t path[MAX_PATH];
    lstrcpyW(path, base.c_str());
    const bool ok = AppendInstallPath(path, subFolder, fileName.c_str(), false);
    *result = path;
    return ok;
}

}  // namespace

// A part of k characters after a base of n fits when n + k + 1 <= 259, and the
// 1 counts even when the base already ends in a backslash and none is added.
TEST(InstallPath, FileNameLengthLimit) {
    for (bool trailingBackslash : {false, true}) {
        SCOPED_TRACE(trailingBackslash ? "base ends in a backslash" : "plain base");
        const int n = 120;
        const std::wstring base =
            L"C:\\" + std::wstring(n - 3 - trailingBackslash, L'p') + (trailingBackslash ? L"\\" : L"");
        ASSERT_EQ(static_cast<int>(base.size()), n);
        const std::wstring fits(259 - n - 1, L'f');
        const std::wstring tooLong(260 - n - 1, L'f');
        std::wstring result;

        EXPECT_TRUE(Append(base, nullptr, fits, &result));
        const std::wstring expected = trailingBackslash ? base + fits : base + L"\\" + fits;
        EXPECT_EQ(result, expected);
        EXPECT_EQ(result.size(), trailingBackslash ? 258u : 259u);

        EXPECT_FALSE(Append(base, nullptr, tooLong, &result));
    }
}

TEST(InstallPath, SubFolderLengthLimit) {
    const int n = 100;
    const std::wstring base = L"C:\\" + std::wstring(n - 3, L'p');
    // The sub-folder itself fits at 259 but leaves no room for any file name.
    std::wstring result;
    const std::wstring subFits(259 - n - 1, L's');
    EXPECT_FALSE(Append(base, subFits.c_str(), L"a", &result));
    EXPECT_EQ(result, base + L"\\" + subFits);  // the sub-folder was accepted
    const std::wstring subTooLong(260 - n - 1, L's');
    EXPECT_FALSE(Append(base, subTooLong.c_str(), L"a", &result));
    EXPECT_EQ(result, base);  // refused before anything was added

    EXPECT_TRUE(Append(L"C:\\Program Files\\", L"GainletPlugin", L"Gainlet.dll", &result));
    EXPECT_EQ(result, L"C:\\Program Files\\GainletPlugin\\Gainlet.dll");
    EXPECT_TRUE(Append(L"", nullptr, L"Gainlet.dll", &result));
    EXPECT_EQ(result, L"Gainlet.dll");
}

TEST(InstallPath, InstallFolderUnderProgramFiles) {
    // The folder the shell reports to this program: "Program Files (x86)" for
    // a 32-bit one on 64-bit Windows.
    wchar_t programFiles[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, programFiles, CSIDL_PROGRAM_FILES, FALSE));
    const std::wstring folder = std::wstring(programFiles) + L"\\GainletPlugin";
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(BuildInstallPath(path, kInstallFolderName, L"Gainlet.dll", false));
    EXPECT_EQ(path, folder + L"\\Gainlet.dll");
    ASSERT_TRUE(BuildInstallPath(path, nullptr, kInstallFolderName, false));
    EXPECT_EQ(path, folder);
}

TEST(InstallPath, FallbackBesideTheWindowsDirectory) {
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(ProgramFilesBesideWindows(path, L"C:\\windows"));
    EXPECT_STREQ(path, L"C:\\Program Files");

    // "\..\Program Files" is 17 characters: the joined text must stay below 260.
    const std::wstring longest = L"C:\\" + std::wstring(242 - 3, L'w');
    ASSERT_TRUE(ProgramFilesBesideWindows(path, longest.c_str()));
    EXPECT_STREQ(path, L"C:\\Program Files");
    const std::wstring tooLong = L"C:\\" + std::wstring(243 - 3, L'w');
    EXPECT_FALSE(ProgramFilesBesideWindows(path, tooLong.c_str()));
}

TEST(BackupPath, ExtensionReplacedByCounter) {
    wchar_t backup[MAX_PATH];
    ASSERT_TRUE(BuildBackupPath(L"C:\\Program Files\\GainletPlugin\\Gainlet.dll", 0, backup));
    EXPECT_STREQ(backup, L"C:\\Program Files\\GainletPlugin\\Gainlet.000");
    ASSERT_TRUE(BuildBackupPath(L"C:\\a\\Setup.exe", 999, backup));
    EXPECT_STREQ(backup, L"C:\\a\\Setup.999");
    EXPECT_FALSE(BuildBackupPath(L"C:\\a\\Setup.exe", 1000, backup));
    // Only the file name's last dot starts the extension.
    ASSERT_TRUE(BuildBackupPath(L"C:\\a.b\\README", 7, backup));
    EXPECT_STREQ(backup, L"C:\\a.b\\README.007");
    ASSERT_TRUE(BuildBackupPath(L"C:\\a\\x.tar.gz", 12, backup));
    EXPECT_STREQ(backup, L"C:\\a\\x.tar.012");
}

// Whether the platform is to delete the file at the next restart. A list
// that cannot be read whole fails the test instead of answering no.
bool QueuedForDeletion(const wchar_t* path) {
    const wchar_t kPending[] = L"PendingFileRenameOperations";
    gainlet::RegistryKey session;
    LONG status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0, KEY_READ,
                                session.put());
    DWORD bytes = 0;
    if (status == ERROR_SUCCESS) status = RegQueryValueExW(session.get(), kPending, nullptr, nullptr, nullptr, &bytes);
    if (status == ERROR_FILE_NOT_FOUND) return false;
    // Zeros past the data end a list stored without its terminators.
    std::vector<wchar_t> pending(bytes / sizeof(wchar_t) + 3, L'\0');
    if (status == ERROR_SUCCESS)
        status = RegQueryValueExW(session.get(), kPending, nullptr, nullptr, reinterpret_cast<BYTE*>(pending.data()),
                                  &bytes);
    if (status != ERROR_SUCCESS) {
        ADD_FAILURE() << "the pending file operations cannot be read: error " << status;
        return false;
    }
    // Pairs of (source, empty target): the empty target means "delete", and
    // each source is the path behind the platform's "\??\" prefix.
    const std::wstring queued = L"\\??\\" + std::wstring(path);
    for (const wchar_t* entry = pending.data(); *entry;) {
        const std::wstring source = entry;
        entry += source.size() + 1;
        const bool deleted = *entry == L'\0';
        entry += lstrlenW(entry) + 1;
        if (deleted && lstrcmpiW(source.c_str(), queued.c_str()) == 0) return true;
    }
    return false;
}

TEST_F(ScratchFolder, DeleteMissingAndReadOnlyFiles) {
    EXPECT_TRUE(DeleteOrDeferFile(Path(L"missing.dll").c_str(), true));

    const std::wstring readOnly = Path(L"readonly.dll");
    WriteFile(readOnly);
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(DeleteOrDeferFile(readOnly.c_str(), true));
    EXPECT_FALSE(Exists(readOnly));
}

// A scanner's handle without delete sharing blocks the rename as well: the
// file then goes at the restart under its own name, and only a caller that
// may defer learns so.
TEST_F(ScratchFolder, FileOpenWithoutDeleteSharingIsQueuedUnderItsOwnName) {
    const std::wstring locked = Path(L"locked.dat");
    WriteFile(locked);
    const gainlet::FileHandle scanner(
        CreateFileW(locked.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_NE(scanner.get(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteOrDeferFile(locked.c_str(), true));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_FALSE(QueuedForDeletion(locked.c_str()));

    EXPECT_TRUE(DeleteOrDeferFile(locked.c_str(), false));
    EXPECT_FALSE(Exists(Path(L"locked.000")));
    EXPECT_TRUE(QueuedForDeletion(locked.c_str()));
}

// The in-use question reads the error of the failed delete after the file
// owners on the way have closed.
TEST(HandleOwner, CloseKeepsTheCallersLastErrorAndOwnershipOnlyMoves) {
    struct FailingClose {
        using Handle = int;
        static Handle Invalid() noexcept { return 0; }
        static void Close(Handle) noexcept { SetLastError(ERROR_INVALID_HANDLE); }
    };
    static_assert(!std::is_copy_constructible_v<gainlet::UniqueHandle<FailingClose>>);
    static_assert(!std::is_copy_assignable_v<gainlet::UniqueHandle<FailingClose>>);
    gainlet::UniqueHandle<FailingClose> owner(7);
    gainlet::UniqueHandle<FailingClose> moved(std::move(owner));
    EXPECT_FALSE(owner);
    EXPECT_EQ(moved.get(), 7);
    SetLastError(ERROR_ACCESS_DENIED);
    moved.reset();
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(moved);
}

// A loaded DLL cannot be deleted; it is renamed to the first free backup name
// and that name is queued for deletion at restart.
TEST_F(ScratchFolder, LoadedDllIsRenamedAsideUntilRestart) {
    const std::wstring dll = Path(L"Held.dll");
    ASSERT_TRUE(CopyFileW(g_versionedDll.c_str(), dll.c_str(), FALSE));
    const gainlet::LibraryHandle held(LoadLibraryW(dll.c_str()));
    ASSERT_NE(held.get(), nullptr);

    EXPECT_FALSE(DeleteOrDeferFile(dll.c_str(), true));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(Exists(dll));

    WriteFile(Path(L"Held.000"));
    EXPECT_TRUE(DeleteOrDeferFile(dll.c_str(), false));
    EXPECT_FALSE(Exists(dll));
    EXPECT_TRUE(Exists(Path(L"Held.001")));

    EXPECT_TRUE(QueuedForDeletion(Path(L"Held.001").c_str()));
}

// With every backup name taken the file cannot be renamed aside; it goes at
// the restart under its own name.
TEST_F(ScratchFolder, WithoutAFreeBackupNameTheFileItselfIsQueued) {
    const std::wstring dll = Path(L"Full.dll");
    ASSERT_TRUE(CopyFileW(g_versionedDll.c_str(), dll.c_str(), FALSE));
    for (unsigned n = 0; n <= 999; ++n) {
        wchar_t backup[MAX_PATH];
        ASSERT_TRUE(BuildBackupPath(dll.c_str(), n, backup));
        WriteFile(backup);
    }
    const gainlet::LibraryHandle held(LoadLibraryW(dll.c_str()));
    ASSERT_NE(held.get(), nullptr);
    EXPECT_TRUE(DeleteOrDeferFile(dll.c_str(), false));
    EXPECT_TRUE(Exists(dll));
    EXPECT_TRUE(QueuedForDeletion(dll.c_str()));
}

TEST_F(ScratchFolder, SizesAndVersions) {
    EXPECT_EQ(QueryFileSize(folder_.c_str()), 0u);
    EXPECT_EQ(QueryFileSize(Path(L"missing").c_str()), 0u);
    WriteFile(Path(L"five.txt"), "12345");
    EXPECT_EQ(QueryFileSize(Path(L"five.txt").c_str()), 5u);

    EXPECT_EQ(QueryFileVersion(g_versionedDll.c_str(), false), 0x0001000100000001ull);
    EXPECT_EQ(QueryFileVersion(g_versionedDll.c_str(), true), 0x0001000100000001ull);
    EXPECT_EQ(QueryFileVersion(Path(L"five.txt").c_str(), false), 0u);
    EXPECT_EQ(QueryFileVersion(Path(L"missing").c_str(), true), 0u);
    // The installer carries no version record, so it is replaced by time alone.
    EXPECT_EQ(QueryFileVersion(g_setupExe.c_str(), false), 0u);
    EXPECT_NE(QueryFileSize(g_setupExe.c_str()), 0u);

    EXPECT_EQ(QueryLastWriteTime(Path(L"missing").c_str()), 0u);
    EXPECT_NE(QueryLastWriteTime(Path(L"five.txt").c_str()), 0u);
}

TEST(SetupMode, SlashUUninstalls) {
    for (const wchar_t* text : {L"/u", L"/U", L" \t /U", L"/Uninstall", L"/uX"})
        EXPECT_TRUE(IsUninstallRequest(text)) << text;
    for (const wchar_t* text : {L"", L"/x", L"-u", L"u", L"x /U", L"/", L"\"/U\""})
        EXPECT_FALSE(IsUninstallRequest(text)) << text;
    EXPECT_FALSE(IsUninstallRequest(nullptr));
}

TEST(UninstallEntry, DisplayVersion) {
    wchar_t text[32];
    FormatDisplayVersion(0x0001000100000001ull, text);
    EXPECT_STREQ(text, L"1.1.0.1");
    FormatDisplayVersion(0x0000000900020000ull, text);
    EXPECT_STREQ(text, L"Beta-0.9.2.0");
    FormatDisplayVersion(0xFFFFFFFFFFFFFFFFull, text);
    EXPECT_STREQ(text, L"65535.65535.65535.65535");
}

namespace {

DWORD ReadValue(HKEY key, const wchar_t* name, std::wstring* text, DWORD* number) {
    DWORD type = REG_NONE;
    BYTE data[2048] = {};
    DWORD bytes = sizeof(data) - sizeof(wchar_t);
    if (RegQueryValueExW(key, name, nullptr, &type, data, &bytes) != ERROR_SUCCESS) return REG_NONE;
    if (type == REG_SZ) {
        *text = reinterpret_cast<const wchar_t*>(data);
        EXPECT_EQ(bytes, (text->size() + 1) * sizeof(wchar_t)) << "stored with its NUL";
    }
    if (type == REG_DWORD) *number = *reinterpret_cast<const DWORD*>(data);
    return type;
}

}  // namespace

TEST(UninstallEntry, ValuesAndTheirTypes) {
    // A DLL without version information leaves an earlier DisplayVersion.
    ASSERT_TRUE(WriteUninstallEntry(90112 + 158720, L"C:\\P\\Setup.exe", g_versionedDll.c_str()));
    ASSERT_TRUE(WriteUninstallEntry(999, L"C:\\Q R\\Setup.exe", g_setupExe.c_str()));

    gainlet::RegistryKey key;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, key.put()), ERROR_SUCCESS);
    std::wstring text;
    DWORD number = 0;
    EXPECT_EQ(ReadValue(key.get(), L"DisplayName", &text, &number), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text, L"Gainlet WMP Plugin");
    EXPECT_EQ(ReadValue(key.get(), L"Publisher", &text, &number), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text, L"Orlenza");
    EXPECT_EQ(ReadValue(key.get(), L"EstimatedSize", &text, &number), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(number, 0u);  // 999 bytes, in units of 1000
    EXPECT_EQ(ReadValue(key.get(), L"UninstallString", &text, &number), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text, L"\"C:\\Q R\\Setup.exe\" /U");
    EXPECT_EQ(ReadValue(key.get(), L"DisplayIcon", &text, &number), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text, L"C:\\Q R\\Setup.exe");
    EXPECT_EQ(ReadValue(key.get(), L"DisplayVersion", &text, &number), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(text, L"1.1.0.1");
    key.reset();

    ASSERT_TRUE(WriteUninstallEntry(90112 + 158720, L"C:\\P\\Setup.exe", g_versionedDll.c_str()));
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, key.put()), ERROR_SUCCESS);
    EXPECT_EQ(ReadValue(key.get(), L"EstimatedSize", &text, &number), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(number, 248u);
    key.reset();

    RemoveUninstallEntry();
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, key.put()), ERROR_SUCCESS);
    RemoveUninstallEntry();  // already gone: nothing to do
}

TEST(UserSettings, BothKeysGoAndAbsenceIsFine) {
    gainlet::RegistryKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, gainlet::kSettingsKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr,
                              key.put(), nullptr),
              ERROR_SUCCESS);
    const DWORD gain = 0xBE06249Eu;
    RegSetValueExW(key.get(), gainlet::kGainValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&gain),
                   sizeof(gain));
    key.reset();

    RemoveUserSettings();
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, gainlet::kProductKeyPath, 0, KEY_READ, key.put()), ERROR_SUCCESS);
    EXPECT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, gainlet::kSoftwareKeyPath, 0, KEY_READ, key.put()), ERROR_SUCCESS);
    key.reset();
    RemoveUserSettings();
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colourCount, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

// The application icon (also the uninstall entry's) and the manifest that
// makes the installer always run elevated.
TEST(SetupResources, IconGroupAndManifest) {
    const gainlet::LibraryHandle setup(LoadLibraryExW(g_setupExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_NE(setup.get(), nullptr);
    HRSRC group = FindResourceW(setup.get(), MAKEINTRESOURCEW(107), RT_GROUP_ICON);
    ASSERT_NE(group, nullptr);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(setup.get(), group)));
    const WORD count = reinterpret_cast<const WORD*>(data)[2];
    std::wstring images;
    const IconGroupEntry* entry = reinterpret_cast<const IconGroupEntry*>(data + 6);
    for (WORD i = 0; i < count; ++i)
        images += std::to_wstring(entry[i].width) + L"x" + std::to_wstring(entry[i].bitCount) + L" ";
    EXPECT_EQ(images, L"32x4 16x4 48x8 32x8 16x8 48x32 32x32 16x32 ");

    HRSRC manifest = FindResourceW(setup.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_NE(manifest, nullptr);
    const std::string text(static_cast<const char*>(LockResource(LoadResource(setup.get(), manifest))),
                           SizeofResource(setup.get(), manifest));
    EXPECT_NE(text.find("level=\"requireAdministrator\" uiAccess=\"false\""), std::string::npos);
    EXPECT_EQ(FindResourceW(setup.get(), MAKEINTRESOURCEW(1), RT_VERSION), nullptr);
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 3) {
        fprintf(stderr, "usage: setup_placement_tests VERSIONED_DLL SETUP_EXE\n");
        return 2;
    }
    g_versionedDll = WindowsPath(argv[1]);
    g_setupExe = WindowsPath(argv[2]);
    return RUN_ALL_TESTS();
}
