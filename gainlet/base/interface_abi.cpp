// The binary form of the interfaces this project declares itself, as callers
// built with another compiler rely on it: each method's calling convention,
// its parameter types and its vtable slot. Compiling this file is the check;
// nothing in it is ever called or linked into the DLL.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "gainlet.h"
#include "wmp_plugin.h"

// The slot checks below are folded by the optimiser (the build always
// enables it for this file); without it every check would fail.
#ifndef __OPTIMIZE__
#error "interface_abi.cpp must be compiled with optimisation"
#endif

namespace gainlet {
namespace {

// On i686 a method declared without STDMETHODCALLTYPE is __thiscall, a
// different type, so these fail there; x86_64 has one convention only.
template <typename Interface, typename... Parameters>
using ComMethod = HRESULT (STDMETHODCALLTYPE Interface::*)(Parameters...);

static_assert(std::is_same_v<decltype(&IGainlet::GetGain), ComMethod<IGainlet, float*>>);
static_assert(std::is_same_v<decltype(&IGainlet::SetGain), ComMethod<IGainlet, float>>);
static_assert(std::is_same_v<decltype(&IGainlet::GetPeak), ComMethod<IGainlet, float*, BOOL*, BOOL>>);
static_assert(std::is_same_v<decltype(&IGainlet::GetFormatInfo), ComMethod<IGainlet, DWORD*, DWORD*, DWORD*, BOOL*>>);

static_assert(std::is_same_v<decltype(&IWMPPluginEnable::SetEnable), ComMethod<IWMPPluginEnable, BOOL>>);
static_assert(std::is_same_v<decltype(&IWMPPluginEnable::GetEnable), ComMethod<IWMPPluginEnable, BOOL*>>);

// The registrar takes its GUIDs by value: 16 bytes each on the stack, where
// a REFGUID would push a 4-byte pointer and shift every later argument.
static_assert(
    std::is_same_v<decltype(&IWMPMediaPluginRegistrar::WMPRegisterPlayerPlugin),
                   ComMethod<IWMPMediaPluginRegistrar, LPWSTR, LPWSTR, LPWSTR, DWORD, GUID, CLSID, UINT, LPVOID>>);
static_assert(std::is_same_v<decltype(&IWMPMediaPluginRegistrar::WMPUnRegisterPlayerPlugin),
                             ComMethod<IWMPMediaPluginRegistrar, GUID, CLSID>>);

// GCC lays out vtables by the Itanium C++ ABI, in which a pointer to a
// virtual method holds 1 + the method's byte offset in the vtable, and a zero
// this-adjustment when the interface is its own primary base.
template <typename Method>
inline std::uintptr_t VtableSlot(Method method) {
    struct {
        std::uintptr_t function;
        std::ptrdiff_t adjustment;
    } parts;
    static_assert(sizeof parts == sizeof method);
    std::memcpy(&parts, &method, sizeof parts);
    if ((parts.function & 1) == 0 || parts.adjustment != 0) return ~std::uintptr_t{0};
    return (parts.function - 1) / sizeof(void*);
}

}  // namespace

// C++ has no constant expression for a vtable slot, so the comparison is left
// to the optimiser: it folds each one, and a call to this never-defined
// function that survives a false comparison fails the compilation.
void MethodOutOfSlot() __attribute__((error("a COM method is not in its vtable slot")));

namespace {

inline __attribute__((always_inline)) void ExpectSlot(std::uintptr_t slot, std::uintptr_t expected) {
    if (slot != expected) MethodOutOfSlot();
}

}  // namespace

// Slots 0 to 2 are IUnknown's.
void CheckInterfaceSlots() {
    ExpectSlot(VtableSlot(&IGainlet::GetGain), 3);
    ExpectSlot(VtableSlot(&IGainlet::SetGain), 4);
    ExpectSlot(VtableSlot(&IGainlet::GetPeak), 5);
    ExpectSlot(VtableSlot(&IGainlet::GetFormatInfo), 6);

    ExpectSlot(VtableSlot(&IWMPPluginEnable::SetEnable), 3);
    ExpectSlot(VtableSlot(&IWMPPluginEnable::GetEnable), 4);

    ExpectSlot(VtableSlot(&IWMPMediaPluginRegistrar::WMPRegisterPlayerPlugin), 3);
    ExpectSlot(VtableSlot(&IWMPMediaPluginRegistrar::WMPUnRegisterPlayerPlugin), 4);
}

}  // namespace gainlet
