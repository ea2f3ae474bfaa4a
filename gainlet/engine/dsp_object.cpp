// Construction, interface table and teardown of the DSP object.
#include "engine/dsp_object.h"

namespace gainlet {

CGainlet::CGainlet() = default;

// FinalRelease has already run and the module lock count is lowered;
// a buffer still held is released with heldBuffer after the types.
CGainlet::~CGainlet() {
    inputType.reset();
    outputType.reset();
}

void CGainlet::FinalRelease() { FreeStreamingResources(); }

}  // namespace gainlet
