// The test bed's one definition of the plug-in's public identifiers and the
// media player's plug-in identifiers, from their public headers.
#include <initguid.h>
#include "gainlet.h"
#include "wmp_plugin.h"
