// Streams a WAV file through a DSP plug-in the way the player does: one
// input buffer at a time, drained into output buffers until the plug-in no
// longer reports INCOMPLETE.
#include <objbase.h>
#include <wrl/client.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <cwchar>

#include "dsphost.h"
#include "gainlet.h"
#include "media_buffer.h"
#include "wmp_plugin.h"

using Microsoft::WRL::ComPtr;

namespace dsphost {
namespace {

struct PlayOptions {
    bool haveClsid = false;
    CLSID clsid{};
    bool haveGain = false;
    float gainDb = 0;
    bool disable = false;
    DWORD inBuffer = 4096;
    DWORD outBuffer = 4096;
    bool timestamps = true;
    std::wstring input, output;
};

// Decimal dB with a point: the program never leaves the "C" locale.
bool ParseDb(const std::wstring& text, float* value) {
    wchar_t* end = nullptr;
    const double parsed = wcstod(text.c_str(), &end);
    if (text.empty() || *end) return false;
    *value = static_cast<float>(parsed);
    return true;
}

// Empty when the options are good, else what is wrong.
std::wstring ParseOptions(const Arguments& args, PlayOptions* options) {
    std::vector<std::wstring> files;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == L"--clsid") {
            if (!hasValue || !ParseClsid(args[++i], &options->clsid)) return L"--clsid needs a {GUID}";
            options->haveClsid = true;
        } else if (arg == L"--gain") {
            if (!hasValue || !ParseDb(args[++i], &options->gainDb)) return L"--gain needs a number of dB";
            options->haveGain = true;
        } else if (arg == L"--disable") {
            options->disable = true;
        } else if (arg == L"--in-buffer") {
            if (!hasValue || !ParsePositive(args[++i], &options->inBuffer)) return L"--in-buffer needs a positive byte count";
        } else if (arg == L"--out-buffer") {
            if (!hasValue || !ParsePositive(args[++i], &options->outBuffer)) return L"--out-buffer needs a positive byte count";
        } else if (arg == L"--no-timestamps") {
            options->timestamps = false;
        } else if (arg.size() > 2 && arg.compare(0, 2, L"--") == 0) {
            return L"unknown option " + arg;
        } else {
            files.push_back(arg);
        }
    }
    if (files.size() != 2) return L"expected IN.wav and OUT.wav";
    options->input = files[0];
    options->output = files[1];
    return std::wstring();
}

struct Summary {
    ULONGLONG bytesIn = 0, bytesOut = 0;
    DWORD outputBuffers = 0, incomplete = 0;
    bool haveTime = false;
    REFERENCE_TIME firstTime = 0, lastTime = 0;
};

// Drains what the plug-in holds into output buffers, appending their bytes.
HRESULT Drain(IMediaObject* object, DWORD outSize, std::vector<BYTE>* out, Summary* summary, std::wstring* step) {
    for (;;) {
        ComPtr<MediaBuffer> buffer;
        buffer.Attach(MediaBuffer::Create(outSize));
        if (!buffer) return E_OUTOFMEMORY;
        DMO_OUTPUT_DATA_BUFFER output = {};
        output.pBuffer = buffer.Get();
        DWORD status = 0;
        *step = L"ProcessOutput failed";
        const HRESULT hr = object->ProcessOutput(0, 1, &output, &status);
        if (FAILED(hr)) return hr;
        if (hr == S_FALSE) return S_OK;  // nothing was held

        ++summary->outputBuffers;
        out->insert(out->end(), buffer->Data(), buffer->Data() + buffer->Length());
        summary->bytesOut += buffer->Length();
        if (output.dwStatus & DMO_OUTPUT_DATA_BUFFERF_TIME) {
            if (!summary->haveTime) summary->firstTime = output.rtTimestamp;
            summary->haveTime = true;
            summary->lastTime = output.rtTimestamp;
        }
        if (!(output.dwStatus & DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE)) return S_OK;
        ++summary->incomplete;
        if (buffer->Length() == 0) {
            *step = L"the output buffer is smaller than one audio frame";
            return E_INVALIDARG;
        }
    }
}

void PrintSummary(IUnknown* plugin, const Summary& summary) {
    ComPtr<IGainlet> gainlet;
    wchar_t line[256];
    if (SUCCEEDED(plugin->QueryInterface(IID_IGainlet, reinterpret_cast<void**>(gainlet.GetAddressOf())))) {
        DWORD rate = 0, channels = 0, bits = 0;
        BOOL isFloat = FALSE;
        gainlet->GetFormatInfo(&rate, &channels, &bits, &isFloat);
        swprintf(line, ARRAYSIZE(line), L"format: %lu Hz, %lu channels, %lu bits, %ls\n", static_cast<unsigned long>(rate),
                 static_cast<unsigned long>(channels), static_cast<unsigned long>(bits), isFloat ? L"float" : L"integer");
        Print(line);
    }
    swprintf(line, ARRAYSIZE(line), L"bytes in: %llu\nbytes out: %llu\noutput buffers: %lu (%lu incomplete)\n",
             summary.bytesIn, summary.bytesOut, static_cast<unsigned long>(summary.outputBuffers),
             static_cast<unsigned long>(summary.incomplete));
    Print(line);
    if (summary.haveTime)
        swprintf(line, ARRAYSIZE(line), L"time stamps: first %lld, last %lld\n", summary.firstTime, summary.lastTime);
    else
        swprintf(line, ARRAYSIZE(line), L"time stamps: none\n");
    Print(line);
    if (gainlet) {
        float peak = 0;
        BOOL processed = FALSE;
        gainlet->GetPeak(&peak, &processed, FALSE);
        swprintf(line, ARRAYSIZE(line), L"peak: %.9g (processed %d)\n", static_cast<double>(peak), processed ? 1 : 0);
        Print(line);
    }
}

}  // namespace

int RunPlay(const Arguments& args) {
    PlayOptions options;
    const std::wstring problem = ParseOptions(args, &options);
    if (!problem.empty()) return UsageError(problem);

    WavFile wav;
    std::wstring wavProblem;
    HRESULT hr = ReadWav(options.input, &wav, &wavProblem);
    if (FAILED(hr)) return Fail(wavProblem, hr);

    ComPtr<IMediaObject> object;
    std::wstring failedStep;
    hr = CreatePlugin(options.haveClsid ? &options.clsid : nullptr, object.GetAddressOf(), &failedStep);
    if (FAILED(hr)) return Fail(failedStep, hr);

    if (options.haveGain) {
        ComPtr<IGainlet> gainlet;
        hr = object.As(&gainlet);
        if (SUCCEEDED(hr)) hr = gainlet->SetGain(options.gainDb);
        if (FAILED(hr)) return Fail(L"cannot set the gain", hr);
    }
    if (options.disable) {
        ComPtr<IWMPPluginEnable> enable;
        hr = object.As(&enable);
        if (SUCCEEDED(hr)) hr = enable->SetEnable(FALSE);
        if (FAILED(hr)) return Fail(L"cannot disable the plug-in", hr);
    }

    std::wstring step;
    hr = NegotiateFormat(object.Get(), wav, &step);
    if (FAILED(hr)) return Fail(step, hr);

    const DWORD averageBytes = wav.Format()->nAvgBytesPerSec;
    std::vector<BYTE> out;
    Summary summary;
    for (size_t offset = 0; offset < wav.data.size(); offset += options.inBuffer) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(options.inBuffer, wav.data.size() - offset));
        ComPtr<MediaBuffer> input;
        input.Attach(MediaBuffer::Create(chunk));
        if (!input) return Fail(L"out of memory", E_OUTOFMEMORY);
        memcpy(input->Data(), wav.data.data() + offset, chunk);
        input->SetLength(chunk);

        DWORD status = 0;
        hr = object->GetInputStatus(0, &status);
        if (FAILED(hr)) return Fail(L"GetInputStatus failed; " + options.output + L" not written", hr);
        if (!(status & DMO_INPUT_STATUSF_ACCEPT_DATA))
            return Fail(L"the plug-in accepts no input; " + options.output + L" not written", E_UNEXPECTED);

        const REFERENCE_TIME time = static_cast<REFERENCE_TIME>(offset * 10000000ull / averageBytes);
        hr = object->ProcessInput(0, input.Get(), options.timestamps ? DMO_INPUT_DATA_BUFFERF_TIME : 0, time, 0);
        if (FAILED(hr)) return Fail(L"ProcessInput failed; " + options.output + L" not written", hr);
        summary.bytesIn += chunk;

        hr = Drain(object.Get(), options.outBuffer, &out, &summary, &step);
        if (FAILED(hr)) return Fail(step + L"; " + options.output + L" not written", hr);
    }

    hr = WriteWav(options.output, wav.storedFormat, out);
    if (FAILED(hr)) return Fail(L"cannot write " + options.output, hr);
    PrintSummary(object.Get(), summary);
    return kExitOk;
}

}  // namespace dsphost
