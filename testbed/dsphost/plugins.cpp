// The plug-in list the registrar stand-in keeps, and format negotiation.
#include <objbase.h>
#include <uuids.h>

#include "dsphost.h"
#include "plugin_records.h"
#include "wmp_plugin.h"

namespace dsphost {
namespace {

bool IsDspType(const GUID& type) {
    return IsEqualGUID(type, WMP_PLUGINTYPE_DSP) || IsEqualGUID(type, WMP_PLUGINTYPE_DSP_OUTOFPROC);
}

bool TakesAudioPcm(const testbed::PluginRecord& record) {
    for (const testbed::MediaTypePair& pair : record.mediaTypes)
        if (IsEqualGUID(pair.type, MEDIATYPE_Audio) && IsEqualGUID(pair.subtype, MEDIASUBTYPE_PCM)) return true;
    return false;
}

// The first DSP plug-in the registrar stand-in recorded for Audio/PCM.
HRESULT FindDefaultPlugin(CLSID* clsid) {
    for (const testbed::PluginRecord& record : testbed::ReadRegisteredPlugins()) {
        if (IsDspType(record.pluginType) && TakesAudioPcm(record)) {
            *clsid = record.clsid;
            return S_OK;
        }
    }
    return REGDB_E_CLASSNOTREG;
}

}  // namespace

bool TakeClsidOption(const Arguments& args, size_t* index, PluginChoice* choice, std::wstring* problem) {
    if (args[*index] != L"--clsid") return false;
    if (*index + 1 < args.size() && testbed::ParseGuid(args[++*index], &choice->clsid))
        choice->named = true;
    else
        *problem = L"--clsid needs a {GUID}";
    return true;
}

int CreatePlugin(const PluginChoice& choice, IMediaObject** object) {
    CLSID chosen = choice.clsid;
    HRESULT hr = choice.named ? S_OK : FindDefaultPlugin(&chosen);
    if (FAILED(hr)) return Fail(L"no DSP plug-in for Audio/PCM is registered", hr);
    hr = CoCreateInstance(chosen, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaObject, reinterpret_cast<void**>(object));
    if (FAILED(hr)) return Fail(L"cannot create the plug-in", hr);
    return kExitOk;
}

int RunList(const Arguments& args) {
    if (!args.empty()) return UsageError(L"--list takes no arguments");
    for (const testbed::PluginRecord& record : testbed::ReadRegisteredPlugins()) {
        if (!IsDspType(record.pluginType)) continue;
        Print(testbed::GuidText(record.pluginType) + L"\t" + testbed::GuidText(record.clsid) + L"\t" +
              std::to_wstring(record.priority) + L"\t" + record.friendlyName + L"\t" + record.description + L"\n");
    }
    return kExitOk;
}

HRESULT NegotiateFormat(IMediaObject* object, const WavFormat& wav, std::wstring* step) {
    const WAVEFORMATEX* format = wav.Format();
    DMO_MEDIA_TYPE type = {};
    type.majortype = MEDIATYPE_Audio;
    type.subtype = MEDIASUBTYPE_PCM;
    if (format->wFormatTag == WAVE_FORMAT_IEEE_FLOAT) type.subtype = MEDIASUBTYPE_IEEE_FLOAT;
    if (format->wFormatTag == WAVE_FORMAT_EXTENSIBLE && wav.format.size() >= sizeof(WAVEFORMATEXTENSIBLE))
        type.subtype = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(format)->SubFormat;
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = format->nBlockAlign;
    type.formattype = FORMAT_WaveFormatEx;
    type.cbFormat = static_cast<ULONG>(wav.format.size());
    type.pbFormat = const_cast<BYTE*>(wav.format.data());

    *step = L"input type refused";
    HRESULT hr = object->SetInputType(0, &type, 0);
    if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;
    *step = L"output type refused";
    hr = object->SetOutputType(0, &type, 0);
    if (hr != S_OK) return FAILED(hr) ? hr : E_FAIL;
    return S_OK;
}

}  // namespace dsphost
