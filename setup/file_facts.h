// What the installer reads about a file to decide whether to replace it.
// Anything that cannot be read counts as 0.
#pragma once
#include <windows.h>

namespace gainlet::setup {

// Size in bytes; 0 for a missing file or a directory.
unsigned long long QueryFileSize(const wchar_t* path);

// The file version (or, when asked, the product version) of the file's fixed
// version record as one number: most significant half in the upper 32 bits.
// 0 when the file is missing or has no version record.
unsigned long long QueryFileVersion(const wchar_t* path, bool productVersion);

// Last-write time as a 64-bit FILETIME value; 0 when it cannot be read.
unsigned long long QueryLastWriteTime(const wchar_t* path);

}  // namespace gainlet::setup
