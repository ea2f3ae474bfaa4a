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

// version.dll's functions, looked up once for the whole run; the DLL stays
// loaded until the installer exits. version.dll is no KnownDLL: imported, it
// would be looked for in the installer's own folder first.
struct VersionFunctions {
    DWORD(WINAPI* getSize)(const wchar_t*, DWORD*);
    BOOL(WINAPI* getInfo)(const wchar_t*, DWORD, DWORD, void*);
    BOOL(WINAPI* queryValue)(const void*, const wchar_t*, void**, UINT*);
};

const VersionFunctions* Version() {
    static bool tried;  // zero-initialised, so no guard: the installer asks from one thread
    static VersionFunctions functions;
    if (!tried) {
        tried = true;
        if (const HMODULE library = LoadSystemLibrary(L"version.dll")) {
            functions.getSize = LibraryFunction<decltype(functions.getSize)>(library, "GetFileVersionInfoSizeW");
            functions.getInfo = LibraryFunction<decltype(functions.getInfo)>(library, "GetFileVersionInfoW");
            functions.queryValue = LibraryFunction<decltype(functions.queryValue)>(library, "VerQueryValueW");
        }
    }
    return functions.getSize && functions.getInfo && functions.queryValue ? &functions : nullptr;
}

}  // namespace

unsigned long long QueryFileSize(const wchar_t* path) {
    WIN32_FIND_DATAW data;
    const FindHandle found(FindFirstFileW(path, &data));
    if (!found) return 0;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
    return Join(data.nFileSizeHigh, data.nFileSizeLow);
}

unsigned long long QueryFileVersion(const wchar_t* path, bool productVersion) {
    const VersionFunctions* version = Version();
    if (!version) return 0;

    DWORD handle = 0;
    const DWORD size = version->getSize(path, &handle);
    if (size == 0) return 0;
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[size]);
    if (!block) return 0;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT infoLength = 0;
    if (!version->getInfo(path, handle, size, block.get()) ||
        !version->queryValue(block.get(), L"\\", reinterpret_cast<void**>(&info), &infoLength) || !info ||
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
