/* The vtable slot of each method of the interfaces this project declares,
 * as a caller built with another compiler relies on it. In C each interface
 * is its vtable structure, so a slot is an offset the compiler knows; C++
 * lays the same declarations out in the same order. Compiling this file is
 * the check; nothing in it is linked. */
#include <windows.h>

#include <stddef.h>

#include "gainlet.h"
#include "wmp_plugin.h"

#define SLOT(vtable, method) (offsetof(vtable, method) / sizeof(void*))

/* Slots 0 to 2 are IUnknown's. */
_Static_assert(SLOT(IGainletVtbl, GetGain) == 3, "IGainlet::GetGain");
_Static_assert(SLOT(IGainletVtbl, SetGain) == 4, "IGainlet::SetGain");
_Static_assert(SLOT(IGainletVtbl, GetPeak) == 5, "IGainlet::GetPeak");
_Static_assert(SLOT(IGainletVtbl, GetFormatInfo) == 6, "IGainlet::GetFormatInfo");
_Static_assert(sizeof(IGainletVtbl) == 7 * sizeof(void*), "IGainlet has seven slots");

_Static_assert(SLOT(IWMPPluginEnableVtbl, SetEnable) == 3, "IWMPPluginEnable::SetEnable");
_Static_assert(SLOT(IWMPPluginEnableVtbl, GetEnable) == 4, "IWMPPluginEnable::GetEnable");

_Static_assert(SLOT(IWMPMediaPluginRegistrarVtbl, WMPRegisterPlayerPlugin) == 3,
               "IWMPMediaPluginRegistrar::WMPRegisterPlayerPlugin");
_Static_assert(SLOT(IWMPMediaPluginRegistrarVtbl, WMPUnRegisterPlayerPlugin) == 4,
               "IWMPMediaPluginRegistrar::WMPUnRegisterPlayerPlugin");
