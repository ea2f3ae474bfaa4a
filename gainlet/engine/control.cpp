// The control interfaces: the process-wide gain, meter and format through
// IGainlet, the player's enable switch, and the settings page's CLSID.
#include "engine/dsp_object.h"

#include "base/shared_gain_state.h"

namespace gainlet {

STDMETHODIMP CGainlet::GetGain(float* gainDb) {
    if (!gainDb) return E_POINTER;
    g_sharedGainState.ReadGainDb(gainDb);
    return S_OK;
}

STDMETHODIMP CGainlet::SetGain(float gainDb) {
    g_sharedGainState.SetGain(gainDb);
    return S_OK;
}

STDMETHODIMP CGainlet::GetPeak(float* peak, BOOL* processed, BOOL reset) {
    if (!peak || !processed) return E_POINTER;
    g_sharedGainState.ReadMeter(reset, peak, processed);
    return S_OK;
}

STDMETHODIMP CGainlet::GetFormatInfo(DWORD* samplesPerSec, DWORD* channels, DWORD* bitsPerSample, BOOL* isFloat) {
    g_sharedGainState.ReadFormat(samplesPerSec, channels, bitsPerSample, isFloat);
    return S_OK;
}

// Any non-zero value enables; it is kept as given so GetEnable echoes it.
STDMETHODIMP CGainlet::SetEnable(BOOL enable) {
    enabled.store(enable, std::memory_order_relaxed);
    return S_OK;
}

STDMETHODIMP CGainlet::GetEnable(BOOL* enable) {
    if (!enable) return E_POINTER;
    *enable = enabled.load(std::memory_order_relaxed);
    return S_OK;
}

STDMETHODIMP CGainlet::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    pages->cElems = 1;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems) return E_OUTOFMEMORY;
    pages->pElems[0] = CLSID_GainletPropPage;
    return S_OK;
}

}  // namespace gainlet
