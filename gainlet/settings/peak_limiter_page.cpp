#include "settings/peak_limiter_page.h"

#include <cwchar>

#include "common/unique_handle.h"
#include "resource.h"
#include "common/this_module.h"

namespace gainlet {
namespace {

bool FindPage(const void** bytes, DWORD* size) {
    const HMODULE module = ThisModule();
    const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_PEAK_LIMITER_PAGE), RT_HTML);
    if (!found) return false;
    const HGLOBAL loaded = LoadResource(module, found);
    *bytes = loaded ? LockResource(loaded) : nullptr;
    *size = SizeofResource(module, found);
    return *bytes && *size;
}

// Fills a file that already exists; a short write counts as a failure.
bool WriteWholeFile(const wchar_t* path, const void* bytes, DWORD size) {
    const FileHandle file(
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes, size, &written, nullptr) && written == size;
}

}  // namespace

bool WritePeakLimiterPage(wchar_t (&path)[MAX_PATH]) {
    const void* bytes;
    DWORD size;
    if (!FindPage(&bytes, &size)) return false;

    // A folder too long for the name gives no page at all: a shortened or
    // bare name would land wherever the current directory happens to be.
    const size_t nameWithTerminator = sizeof kPeakLimiterPageFileName / sizeof *kPeakLimiterPageFileName;
    const DWORD folderLength = GetTempPathW(MAX_PATH, path);
    if (folderLength == 0 || folderLength + nameWithTerminator > MAX_PATH) return false;
    wchar_t partial[MAX_PATH];
    // Created new under a unique name, so the write never follows whatever
    // already stands under the page's own name.
    if (!GetTempFileNameW(path, L"gnl", 0, partial)) return false;
    std::wcscpy(path + folderLength, kPeakLimiterPageFileName);

    // Moved over the older copy only when complete: a browser still showing
    // it never reads a half-written page, and a failed write leaves it whole.
    if (!WriteWholeFile(partial, bytes, size) || !MoveFileExW(partial, path, MOVEFILE_REPLACE_EXISTING)) {
        DeleteFileW(partial);
        return false;
    }
    return true;
}

}  // namespace gainlet
