#include "class_table.h"

#include "gainlet.h"
#include "resource.h"
#include "engine/dsp_object.h"
#include "settings/property_page.h"

namespace gainlet {

ClassEntry* ServerClassTable() {
    static ClassEntry table[] = {
        {&CLSID_Gainlet, IDR_GAINLET, CGainlet::Create, nullptr},
        {&CLSID_GainletPropPage, IDR_GAINLETPROPPAGE, CGainletPropPage::Create, nullptr},
        {nullptr, 0, nullptr, nullptr},
    };
    return table;
}

namespace {

__constinit ComModule serverModule;

}  // namespace

ComModule& ServerModule() { return serverModule; }

}  // namespace gainlet
