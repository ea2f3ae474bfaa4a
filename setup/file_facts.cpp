#include "file_facts.h"

#include <memory>
#include <new>

#include "common/unique_handle.h"
#include "system_folder.h"

namespace gainlet::setup {

using gainlet::FileHandle;
using gainlet::FindHandle;

namespace {

unsigned long long Join(DWORD high, DWORD low) { return (static_cast<unsigned long long>(high) << 32) | low; }

using GetFileVersionInfoSizeFunction = DWORD(WINAPI*)(const wchar_t*, DWORD*);
using GetFileVersionInfoFunction = BOOL(WINAPI*)(const wchar_t*, DWORD, DWORD, void*);
using VerQueryValueFunction = BOOL(WINAPI*)(const void*, const wchar_t*, void**, UINT*);

}  // namespace

unsigned long long QueryFileSize(const wchar_t* path) {
    WIN32_FIND_DATAW data;
    const FindHandle found(FindFirstFileW(path, &data));
    if (!found) return 0;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
    return Join(data.nFileSizeHigh, data.nFileSizeLow);
}

unsigned long long QueryFileVersion(const wchar_t* path, bool productVersion) {
    // version.dll is no KnownDLL: imported, it would be looked for in the
    // installer's own folder first.
    const gainlet::LibraryHandle versionLibrary(LoadSystemLibrary(L"version.dll"));
    if (!versionLibrary) return 0;
    const auto getSize =
        LibraryFunction<GetFileVersionInfoSizeFunction>(versionLibrary.get(), "GetFileVersionInfoSizeW");
    const auto getInfo = LibraryFunction<GetFileVersionInfoFunction>(versionLibrary.get(), "GetFileVersionInfoW");
    const auto queryValue = LibraryFunction<VerQueryValueFunction>(versionLibrary.get(), "VerQueryValueW");
    if (!getSize || !getInfo || !queryValue) return 0;

    DWORD handle = 0;
    const DWORD size = getSize(path, &handle);
    if (size == 0) return 0;
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
    if (!block) return 0;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (!getInfo(path, handle, size, block.get()) ||
        !queryValue(block.get(), L"\\", reinterpret_cast<void**>(&info), &infoLength) || !info ||
        infoLength < sizeof(VS_FIXEDFILEINFO))
        return 0;
    return productVersion ? Join(info->dwProductVersionMS, info->dwProductVersionLS)
                          : Join(info->dwFileVersionMS, info->dwFileVersionLS);
}

unsigned long long QueryLastWriteTime(const wchar_t* path) {
    const FileHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return 0;
    FILETIME written;
    if (!GetFileTime(file.get(), nullptr, nullptr, &written)) return 0;
    return Join(written.dwHighDateTime, written.dwLowDateTime);
}

}  // namespace gainlet::setup
