// The extensible wave format's two sample subformats the engine handles,
// spelled out so that the core library links no GUID library for them.
#pragma once

#include <windows.h>

namespace gainlet {

constexpr GUID kSubFormatPcm = {0x00000001, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
constexpr GUID kSubFormatFloat = {0x00000003, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

}  // namespace gainlet
