// The media player's plug-in interfaces and identifiers, which the MinGW
// headers do not declare. Values and layouts follow the platform SDK's
// wmpservices.h.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <mediaobj.h>
#include <dmoreg.h>

DEFINE_GUID(CLSID_WMPMediaPluginRegistrar, 0x5569e7f5, 0x424b, 0x4b93, 0x89, 0xca, 0x79, 0xd1, 0x79, 0x24, 0x68, 0x9a);
DEFINE_GUID(WMP_PLUGINTYPE_DSP, 0x6434baea, 0x4954, 0x498d, 0xab, 0xd5, 0x2b, 0x07, 0x12, 0x3e, 0x1f, 0x04);
DEFINE_GUID(WMP_PLUGINTYPE_DSP_OUTOFPROC, 0xef29b174, 0xc347, 0x44cc, 0x9a, 0x4f, 0x23, 0x99, 0x11, 0x8f, 0xf3, 0x8c);

// Declared with the platform's interface macros, so that C sees each
// interface's vtable structure (IWMPPluginEnableVtbl, ...) and C++ the same
// methods in the same order as a class.
// clang-format off
// C's vtable structure spells out the IUnknown slots that C++ inherits.
#ifdef __cplusplus
#define C_IUNKNOWN_SLOTS
#else
#define C_IUNKNOWN_SLOTS                                                    \
    STDMETHOD(QueryInterface)(THIS_ REFIID riid, void** ppvObject) PURE;    \
    STDMETHOD_(ULONG, AddRef)(THIS) PURE;                                   \
    STDMETHOD_(ULONG, Release)(THIS) PURE;
#endif

#undef INTERFACE
#define INTERFACE IWMPPluginEnable
DECLARE_INTERFACE_(IWMPPluginEnable, IUnknown) {
    BEGIN_INTERFACE
    C_IUNKNOWN_SLOTS
    STDMETHOD(SetEnable)(THIS_ BOOL fEnable) PURE;
    STDMETHOD(GetEnable)(THIS_ BOOL* pfEnable) PURE;
    END_INTERFACE
};
#undef INTERFACE
DEFINE_GUID(IID_IWMPPluginEnable, 0x5fca444c, 0x7ad1, 0x479d, 0xa4, 0xef, 0x40, 0x56, 0x6a, 0x53, 0x09, 0xd6);

// The GUIDs are passed by value: declaring them REFGUID would silently break
// the 32-bit stdcall ABI.
#define INTERFACE IWMPMediaPluginRegistrar
DECLARE_INTERFACE_(IWMPMediaPluginRegistrar, IUnknown) {
    BEGIN_INTERFACE
    C_IUNKNOWN_SLOTS
    STDMETHOD(WMPRegisterPlayerPlugin)(THIS_
        LPWSTR pwszFriendlyName, LPWSTR pwszDescription, LPWSTR pwszUninstallString,
        DWORD dwPriority, GUID guidPluginType, CLSID clsid,
        UINT cMediaTypes, LPVOID pMediaTypes /* DMO_PARTIAL_MEDIATYPE[cMediaTypes] */) PURE;
    STDMETHOD(WMPUnRegisterPlayerPlugin)(THIS_ GUID guidPluginType, CLSID clsid) PURE;
    END_INTERFACE
};
#undef INTERFACE
#undef C_IUNKNOWN_SLOTS
DEFINE_GUID(IID_IWMPMediaPluginRegistrar, 0x68e27045, 0x05bd, 0x40b2, 0x97, 0x20, 0x23, 0x08, 0x8c, 0x78, 0xe3, 0x90);

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IWMPPluginEnable, 0x5fca444c, 0x7ad1, 0x479d, 0xa4, 0xef, 0x40, 0x56, 0x6a, 0x53, 0x09, 0xd6)
__CRT_UUID_DECL(IWMPMediaPluginRegistrar, 0x68e27045, 0x05bd, 0x40b2, 0x97, 0x20, 0x23, 0x08, 0x8c, 0x78, 0xe3, 0x90)
#endif
// clang-format on
