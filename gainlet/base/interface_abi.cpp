// The binary form of the interfaces this project declares itself, as callers
// built with another compiler rely on it: each method's calling convention
// and its parameter types (interface_abi.c checks the vtable slots).
// Compiling this file is the check; nothing in it is ever called.
#include <windows.h>

#include <type_traits>

#include "gainlet.h"
#include "wmp_plugin.h"

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

}  // namespace
}  // namespace gainlet
