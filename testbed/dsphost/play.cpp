// Streams a WAV file through a DSP plug-in the way the player does: one
// input buffer of whole frames at a time, drained into output buffers until
// the plug-in no longer reports INCOMPLETE. The file is read and written as
// the stream goes, so memory does not grow with its length.
#include <objbase.h>
#include <wrl/client.h>

#include <cstdio>
#include <cwchar>

#include "dsphost.h"
#include "gainlet.h"
#include "media_buffer.h"
#include "wmp_plugin.h"

using Microsoft::WRL::ComPtr;

namespace dsphost {
namespace {

struct PlayOptions {
    PluginChoice plugin;
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
        std::wstring problem;
        if (TakeClsidOption(args, &i, &options->plugin, &problem)) {
            if (!problem.empty()) return problem;
        } else if (arg == L"--gain") {
            if (!hasValue || !ParseDb(args[++i], &options->gainDb)) return L"--gain needs a number of dB";
            options->haveGain = true;
        } else if (arg == L"--disable") {
            options->disable = true;
        } else if (arg == L"--in-buffer") {
            if (!hasValue || !ParsePositive(args[++i], &options->inBuffer))
                return L"--in-buffer needs a positive byte count";
        } else if (arg == L"--out-buffer") {
            if (!hasValue || !ParsePositive(args[++i], &options->outBuffer))
                return L"--out-buffer needs a positive byte count";
        } else if (arg == L"--no-timestamps") {
            options->timestamps = false;
        } else if (IsOption(arg)) {
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

// The size and address alignment of the buffers on one side. Sizes are whole
// frames, for a plug-in drops a trailing partial frame and every frame after
// it would then be misaligned.
struct BufferPlan {
    DWORD asked = 0;  // the size given on the command line, or the default
    DWORD bytes = 0;
    DWORD alignment = 1;
};

// Empty when buffers of asked bytes can carry the stream, else why not.
std::wstring PlanBuffer(DWORD asked, DWORD frame, DWORD minimum, DWORD alignment, const wchar_t* option,
                        BufferPlan* plan) {
    plan->asked = asked;
    plan->bytes = asked - asked % frame;
    plan->alignment = alignment ? alignment : 1;
    // The smallest whole number of frames the plug-in takes.
    const ULONGLONG needed = (ULONGLONG{minimum > frame ? minimum : frame} + frame - 1) / frame * frame;
    if (plan->bytes >= needed) return std::wstring();
    return std::wstring(option) + L" of " + std::to_wstring(asked) +
           L" bytes is too small: this file and plug-in need " + std::to_wstring(needed) +
           L" or more (whole frames of " + std::to_wstring(frame) + L" bytes)";
}

struct Summary {
    BufferPlan in, out;
    DWORD frame = 0;
    ULONGLONG bytesIn = 0, bytesOut = 0;
    DWORD outputBuffers = 0, incomplete = 0;
    bool haveTime = false;
    REFERENCE_TIME firstTime = 0, lastTime = 0;
};

// Drains what the plug-in holds into output buffers, appending their bytes.
HRESULT Drain(IMediaObject* object, const BufferPlan& plan, WavWriter* out, Summary* summary, std::wstring* step) {
    for (;;) {
        const ComPtr<MediaBuffer> buffer = MediaBuffer::Create(plan.bytes, plan.alignment);
        if (!buffer) {
            *step = L"out of memory";
            return E_OUTOFMEMORY;
        }
        DMO_OUTPUT_DATA_BUFFER output = {};
        output.pBuffer = buffer.Get();
        DWORD status = 0;
        *step = L"ProcessOutput failed";
        HRESULT hr = object->ProcessOutput(0, 1, &output, &status);
        if (FAILED(hr)) return hr;
        if (hr == S_FALSE) return S_OK;  // nothing was held

        ++summary->outputBuffers;
        *step = L"cannot write the output";
        hr = out->Append(buffer->Data(), buffer->Length());
        if (FAILED(hr)) return hr;
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

void PrintRounding(const wchar_t* key, const BufferPlan& plan, DWORD frame) {
    if (plan.bytes == plan.asked) return;
    wchar_t line[128];
    swprintf(line, ARRAYSIZE(line), L"%ls: %lu bytes rounded down to %lu (whole frames of %lu bytes)\n", key,
             static_cast<unsigned long>(plan.asked), static_cast<unsigned long>(plan.bytes),
             static_cast<unsigned long>(frame));
    Print(line);
}

void PrintSummary(IUnknown* plugin, const Summary& summary) {
    ComPtr<IGainlet> gainlet;
    wchar_t line[256];
    if (SUCCEEDED(plugin->QueryInterface(IID_IGainlet, reinterpret_cast<void**>(gainlet.GetAddressOf())))) {
        DWORD rate = 0, channels = 0, bits = 0;
        BOOL isFloat = FALSE;
        gainlet->GetFormatInfo(&rate, &channels, &bits, &isFloat);
        swprintf(line, ARRAYSIZE(line), L"format: %lu Hz, %lu channels, %lu bits, %ls\n",
                 static_cast<unsigned long>(rate), static_cast<unsigned long>(channels),
                 static_cast<unsigned long>(bits), isFloat ? L"float" : L"integer");
        Print(line);
    }
    PrintRounding(L"in-buffer", summary.in, summary.frame);
    PrintRounding(L"out-buffer", summary.out, summary.frame);
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

    WavReader reader;
    std::wstring wavProblem;
    HRESULT hr = reader.Open(options.input, &wavProblem);
    if (FAILED(hr)) return Fail(wavProblem, hr);
    // The output replaces its file only when complete, which would replace
    // the input with its own processed sound.
    if (SameFile(options.input, options.output))
        return Fail(options.output + L" is the input file; name another output", E_INVALIDARG);
    const WavFormat& wav = reader.Format();
    const DWORD frame = wav.Format()->nBlockAlign;
    if (reader.DataSize() % frame != 0) {
        return Fail(options.input + L": the data chunk's " + std::to_wstring(reader.DataSize()) +
                        L" bytes are no whole number of frames of " + std::to_wstring(frame) + L" bytes",
                    HRESULT_FROM_WIN32(ERROR_BAD_FORMAT));
    }

    ComPtr<IMediaObject> object;
    if (const int exitCode = CreatePlugin(options.plugin, object.GetAddressOf()); exitCode != kExitOk) return exitCode;

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

    Summary summary;
    summary.frame = frame;
    DWORD minimum = 0, lookahead = 0, alignment = 0;
    hr = object->GetInputSizeInfo(0, &minimum, &lookahead, &alignment);
    if (FAILED(hr)) return Fail(L"GetInputSizeInfo failed", hr);
    std::wstring tooSmall = PlanBuffer(options.inBuffer, frame, minimum, alignment, L"--in-buffer", &summary.in);
    if (!tooSmall.empty()) return Fail(tooSmall, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    hr = object->GetOutputSizeInfo(0, &minimum, &alignment);
    if (FAILED(hr)) return Fail(L"GetOutputSizeInfo failed", hr);
    tooSmall = PlanBuffer(options.outBuffer, frame, minimum, alignment, L"--out-buffer", &summary.out);
    if (!tooSmall.empty()) return Fail(tooSmall, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));

    const std::wstring notWritten = L"; " + options.output + L" not written";
    WavWriter out;
    hr = out.Create(options.output, wav.storedFormat);
    if (FAILED(hr)) return Fail(L"cannot write " + options.output, hr);

    const DWORD averageBytes = wav.Format()->nAvgBytesPerSec;
    for (;;) {
        const ComPtr<MediaBuffer> input = MediaBuffer::Create(summary.in.bytes, summary.in.alignment);
        if (!input) return Fail(L"out of memory" + notWritten, E_OUTOFMEMORY);
        DWORD chunk = 0;
        hr = reader.Read(input->Data(), summary.in.bytes, &chunk);
        if (FAILED(hr)) return Fail(L"cannot read " + options.input + notWritten, hr);
        if (chunk == 0) break;
        input->SetLength(chunk);

        DWORD status = 0;
        hr = object->GetInputStatus(0, &status);
        if (FAILED(hr)) return Fail(L"GetInputStatus failed" + notWritten, hr);
        if (!(status & DMO_INPUT_STATUSF_ACCEPT_DATA))
            return Fail(L"the plug-in accepts no input" + notWritten, E_UNEXPECTED);

        const REFERENCE_TIME time = static_cast<REFERENCE_TIME>(summary.bytesIn * 10000000ull / averageBytes);
        hr = object->ProcessInput(0, input.Get(), options.timestamps ? DMO_INPUT_DATA_BUFFERF_TIME : 0, time, 0);
        if (FAILED(hr)) return Fail(L"ProcessInput failed" + notWritten, hr);
        summary.bytesIn += chunk;

        hr = Drain(object.Get(), summary.out, &out, &summary, &step);
        if (FAILED(hr)) return Fail(step + notWritten, hr);
    }
    // The end of the stream: whatever a plug-in still holds comes out now.
    hr = object->Discontinuity(0);
    if (FAILED(hr)) return Fail(L"Discontinuity failed" + notWritten, hr);
    hr = Drain(object.Get(), summary.out, &out, &summary, &step);
    if (FAILED(hr)) return Fail(step + notWritten, hr);
    // Both sides carry the same format, so every byte in must come out.
    if (summary.bytesOut != summary.bytesIn) {
        return Fail(L"the plug-in returned " + std::to_wstring(summary.bytesOut) + L" of " +
                        std::to_wstring(summary.bytesIn) + L" bytes" + notWritten,
                    E_FAIL);
    }

    reader.Close();  // the output may replace the input
    hr = out.Commit();
    if (FAILED(hr)) return Fail(L"cannot write " + options.output, hr);
    PrintSummary(object.Get(), summary);
    return kExitOk;
}

}  // namespace dsphost
