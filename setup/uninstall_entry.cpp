#include "uninstall_entry.h"

#include "common/unique_handle.h"
#include "file_facts.h"
#include "registry_delete.h"

namespace gainlet::setup {

const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Gainlet";
const wchar_t kUninstallParentKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t kUninstallSubKey[] = L"Gainlet";

namespace {

// Writes a REG_SZ with its terminating NUL. Results are not examined: a
// value that cannot be written leaves the entry less complete, nothing worse.
void SetString(HKEY key, const wchar_t* name, const wchar_t* value) {
    const DWORD bytes = static_cast<DWORD>((lstrlenW(value) + 1) * sizeof(wchar_t));
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), bytes);
}

void SetDword(HKEY key, const wchar_t* name, DWORD value) {
    RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

}  // namespace

void FormatDisplayVersion(unsigned long long version, wchar_t (&text)[32]) {
    const DWORD high = static_cast<DWORD>(version >> 32);
    const DWORD low = static_cast<DWORD>(version);
    const UINT major = HIWORD(high);
    wsprintfW(text, L"%s%u.%u.%u.%u", major == 0 ? L"Beta-" : L"", major, UINT(LOWORD(high)), UINT(HIWORD(low)),
              UINT(LOWORD(low)));
}

bool WriteUninstallEntry(unsigned long long installedSize, const wchar_t* installedSetupPath,
                         const wchar_t* installedDllPath) {
    gainlet::RegistryKey key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS)
        return false;

    SetString(key.get(), L"DisplayName", L"Gainlet WMP Plugin");
    SetString(key.get(), L"Publisher", L"Orlenza");
    SetDword(key.get(), L"EstimatedSize", static_cast<DWORD>(installedSize / 1000));

    wchar_t uninstallString[1024];
    wsprintfW(uninstallString, L"\"%s\" /U", installedSetupPath);
    SetString(key.get(), L"UninstallString", uninstallString);
    SetString(key.get(), L"DisplayIcon", installedSetupPath);

    // Without a version the value is left alone, so one written by an
    // earlier installation stays.
    const unsigned long long version = QueryFileVersion(installedDllPath, true);
    if (version != 0) {
        wchar_t displayVersion[32];
        FormatDisplayVersion(version, displayVersion);
        SetString(key.get(), L"DisplayVersion", displayVersion);
    }

    return true;
}

void RemoveUninstallEntry() { DeleteRegistryKey(HKEY_LOCAL_MACHINE, kUninstallParentKey, kUninstallSubKey); }

}  // namespace gainlet::setup
