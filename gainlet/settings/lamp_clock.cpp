#include "settings/lamp_clock.h"

namespace gainlet {
namespace {
TickSource tickSource = &GetTickCount;
}

DWORD LampTickCount() { return tickSource(); }

TickSource SetLampTickSource(TickSource source) {
    const TickSource previous = tickSource;
    tickSource = source ? source : &GetTickCount;
    return previous;
}

}  // namespace gainlet
