// The one translation unit that defines the project's and the media
// player's GUIDs (MinGW's libuuid has none of them).
#include <initguid.h>
#include "gainlet.h"
#include "wmp_plugin.h"
