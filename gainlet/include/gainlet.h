// The Gainlet plug-in's public face: its custom control interface and the
// class identifiers of the DSP object and its settings page.
#pragma once

#include <windows.h>
#include <objbase.h>

// {CB5764E3-601F-4017-B0C5-11CE65E068C1}
DEFINE_GUID(CLSID_Gainlet, 0xcb5764e3, 0x601f, 0x4017, 0xb0, 0xc5, 0x11, 0xce, 0x65, 0xe0, 0x68, 0xc1);
// {1B57CFE0-1B2F-498B-82AB-F853BF229E55}
DEFINE_GUID(CLSID_GainletPropPage, 0x1b57cfe0, 0x1b2f, 0x498b, 0x82, 0xab, 0xf8, 0x53, 0xbf, 0x22, 0x9e, 0x55);

// The settings page's only way into the engine. Every method works on the
// process-wide gain state, so any DSP object of the process answers alike.
// clang-format reads the declarations after MIDL_INTERFACE as expressions.
// clang-format off
MIDL_INTERFACE("0B6A451D-D1F5-462E-B6A2-ECA6261A7E8E")
IGainlet : public IUnknown {
public:
    // Gain in dB (6 dB per doubling).
    virtual HRESULT STDMETHODCALLTYPE GetGain(float* gainDb) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetGain(float gainDb) = 0;
    // Peak since the last reset (1.0 = full scale) and whether any audio was
    // processed since the previous call; reset != 0 zeroes the peak.
    virtual HRESULT STDMETHODCALLTYPE GetPeak(float* peak, BOOL* processed, BOOL reset) = 0;
    // The last accepted input format; every pointer is optional.
    virtual HRESULT STDMETHODCALLTYPE GetFormatInfo(DWORD* samplesPerSec, DWORD* channels,
                                                    DWORD* bitsPerSample, BOOL* isFloat) = 0;
};
DEFINE_GUID(IID_IGainlet, 0x0b6a451d, 0xd1f5, 0x462e, 0xb6, 0xa2, 0xec, 0xa6, 0x26, 0x1a, 0x7e, 0x8e);

#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IGainlet, 0x0b6a451d, 0xd1f5, 0x462e, 0xb6, 0xa2, 0xec, 0xa6, 0x26, 0x1a, 0x7e, 0x8e)
#endif
// clang-format on
