#include "class_table.h"

#include "gainlet.h"
#include "resource.h"
#include "engine/dsp_object.h"
#if __has_include("settings/property_page.h")
#include "settings/property_page.h"
#define GAINLET_HAVE_PAGE 1
#endif

namespace gainlet {

ClassEntry* ServerClassTable() {
    static ClassEntry table[] = {
        {&CLSID_Gainlet, IDR_GAINLET, CreateComObject<CGainlet>, nullptr},
#ifdef GAINLET_HAVE_PAGE
        {&CLSID_GainletPropPage, IDR_GAINLETPROPPAGE, CreateComObject<CGainletPropPage>, nullptr},
#endif
        {nullptr, 0, nullptr, nullptr},
    };
    return table;
}

ComModule& ServerModule() {
    static ComModule module;
    return module;
}

}  // namespace gainlet
