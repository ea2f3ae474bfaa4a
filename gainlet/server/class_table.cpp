#include "class_table.h"

#include "gainlet.h"
#include "engine/dsp_object.h"
#include "settings/property_page.h"

namespace gainlet {
namespace {

// The same keys as the REGISTRY resources IDR_GAINLET and IDR_GAINLETPROPPAGE
// state: the class key with the class's name, InprocServer32 with the
// module's path, and the threading model.
// clang-format off
#define INPROC_CLASS_KEYS(clsid, name, threadingModel)                             \
    {                                                                              \
        {L"CLSID\\" clsid, nullptr, name},                                         \
        {L"CLSID\\" clsid L"\\InprocServer32", nullptr, nullptr},                  \
        {L"CLSID\\" clsid L"\\InprocServer32", L"ThreadingModel", threadingModel}, \
        {nullptr, nullptr, nullptr},                                               \
    }
// clang-format on
constexpr RegistryEntry kGainletKeys[] =
    INPROC_CLASS_KEYS(L"{CB5764E3-601F-4017-B0C5-11CE65E068C1}", L"Gainlet Class", L"Both");
constexpr RegistryEntry kPropertyPageKeys[] =
    INPROC_CLASS_KEYS(L"{1B57CFE0-1B2F-498B-82AB-F853BF229E55}", L"Gainlet PropertyPage Class", L"Apartment");
#undef INPROC_CLASS_KEYS

}  // namespace

ClassEntry* ServerClassTable() {
    static ClassEntry table[] = {
        {&CLSID_Gainlet, kGainletKeys, CGainlet::Create, nullptr},
        {&CLSID_GainletPropPage, kPropertyPageKeys, CGainletPropPage::Create, nullptr},
        {nullptr, nullptr, nullptr, nullptr},
    };
    return table;
}

namespace {

__constinit ComModule serverModule;

}  // namespace

ComModule& ServerModule() { return serverModule; }

}  // namespace gainlet
