// Construction, interface table and teardown of the DSP object.
#include "engine/dsp_object.h"

namespace gainlet {

CGainlet::CGainlet() = default;

// The wrapper has already run FinalRelease and lowered the module lock count;
// a buffer still held is released with heldBuffer after the types.
CGainlet::~CGainlet() {
    inputType.reset();
    outputType.reset();
}

const InterfaceEntry* CGainlet::InterfaceTable() {
    static constexpr InterfaceEntry table[] = {
        GAINLET_INTERFACE_ENTRY(CGainlet, IGainlet, IID_IGainlet),
        GAINLET_INTERFACE_ENTRY(CGainlet, IMediaObject, IID_IMediaObject),
        GAINLET_INTERFACE_ENTRY(CGainlet, IWMPPluginEnable, IID_IWMPPluginEnable),
        GAINLET_INTERFACE_ENTRY(CGainlet, ISpecifyPropertyPages, IID_ISpecifyPropertyPages),
        {nullptr, nullptr},
    };
    return table;
}

void CGainlet::FinalRelease() { FreeStreamingResources(); }

}  // namespace gainlet
