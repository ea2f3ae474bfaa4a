// The DLL's creatable classes, in registration order.
#pragma once

#include "com_module.h"

namespace gainlet {

// Ended by an entry with a null CLSID. The factory caches live in it.
ClassEntry* ServerClassTable();

// The one module record of the DLL.
ComModule& ServerModule();

}  // namespace gainlet
