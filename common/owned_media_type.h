// The contents of a DMO_MEDIA_TYPE (its format block and format object),
// given back with MoFreeMediaType.
#pragma once

#include <windows.h>
#include <mediaobj.h>
// MinGW's dmort.h lacks C linkage and relies on mediaobj.h being included.
extern "C" {
#include <dmort.h>
}

#include "common/unique_handle.h"

namespace gainlet {

using OwnedMediaType = OwnedStruct<DMO_MEDIA_TYPE, MoFreeMediaType>;

}  // namespace gainlet
