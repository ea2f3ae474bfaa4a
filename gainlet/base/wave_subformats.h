// The extensible wave format's two sample subformats the engine handles. A
// subformat is the media subtype of the same format tag, so the platform's
// subtype GUIDs (strmiids) are the subformats.
#pragma once

#include <windows.h>
#include <uuids.h>

namespace gainlet {

inline const GUID& kSubFormatPcm = MEDIASUBTYPE_PCM;
inline const GUID& kSubFormatFloat = MEDIASUBTYPE_IEEE_FLOAT;

}  // namespace gainlet
