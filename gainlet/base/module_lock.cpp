#include "base/com_object.h"

namespace gainlet {
namespace {
LONG volatile moduleLockCount = 0;
}

void LockModule() { InterlockedIncrement(&moduleLockCount); }
void UnlockModule() { InterlockedDecrement(&moduleLockCount); }
LONG ModuleLockCount() { return moduleLockCount; }

}  // namespace gainlet
