// dsphost --settings [--clsid {GUID}] [--close-after MS] [IN.wav]
//
// Opens the plug-in's property pages the way the player does: it asks the
// DSP object for them with ISpecifyPropertyPages::GetPages and shows them
// in the test bed's own property frame (property_frame.h). With IN.wav the
// file loops through the plug-in on a streaming thread at its own pace, so
// the meter, lamp and format on the page move. --close-after closes the
// frame after MS milliseconds as Cancel would (for unattended runs, such as
// screenshots). Once the frame is closed it prints how, and the gain the
// plug-in is left with.
#include <objbase.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <memory>

#include "common/unique_handle.h"
#include "dsphost.h"
#include "gainlet.h"
#include "joining_thread.h"
#include "media_buffer.h"
#include "property_frame.h"

using Microsoft::WRL::ComPtr;

namespace dsphost {
namespace {

struct SettingsOptions {
    PluginChoice plugin;
    DWORD closeAfterMs = 0;
    std::wstring input;
};

std::wstring ParseOptions(const Arguments& args, SettingsOptions* options) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        std::wstring problem;
        if (TakeClsidOption(args, &i, &options->plugin, &problem)) {
            if (!problem.empty()) return problem;
        } else if (arg == L"--close-after") {
            if (!hasValue || !ParsePositive(args[++i], &options->closeAfterMs))
                return L"--close-after needs a positive number of milliseconds";
        } else if (IsOption(arg)) {
            return L"unknown option " + arg;
        } else if (options->input.empty()) {
            options->input = arg;
        } else {
            return L"at most one IN.wav";
        }
    }
    return std::wstring();
}

// Loops the WAV's samples through the plug-in in 10 ms buffers, each one
// when its time has come, until stopped.
class Streamer {
public:
    Streamer(IMediaObject* object, const WavFile& wav) : object(object), wav(wav) {
        thread = testbed::JoiningThread([this] { Run(); });
    }
    ~Streamer() {
        stop = true;
        thread.join();
    }
    Streamer(const Streamer&) = delete;
    Streamer& operator=(const Streamer&) = delete;

private:
    void Run() {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        const WAVEFORMATEX* format = wav.Format();
        const DWORD chunk = std::max<DWORD>(format->nBlockAlign,
                                            format->nAvgBytesPerSec / 100 / format->nBlockAlign * format->nBlockAlign);
        const DWORD start = GetTickCount();
        ULONGLONG played = 0;  // bytes
        size_t offset = 0;
        while (!stop && !wav.data.empty()) {
            const DWORD length = static_cast<DWORD>(std::min<size_t>(chunk, wav.data.size() - offset));
            const ComPtr<MediaBuffer> input = MediaBuffer::Create(length), output = MediaBuffer::Create(length);
            if (!input || !output) break;
            std::memcpy(input->Data(), wav.data.data() + offset, length);
            input->SetLength(length);
            if (SUCCEEDED(object->ProcessInput(0, input.Get(), 0, 0, 0))) {
                DMO_OUTPUT_DATA_BUFFER out = {};
                out.pBuffer = output.Get();
                DWORD status = 0;
                object->ProcessOutput(0, 1, &out, &status);
            }
            offset = (offset + length) % wav.data.size();
            played += length;

            // Milliseconds ahead of the clock; unsigned tick arithmetic.
            const DWORD dueAfter = static_cast<DWORD>(played * 1000 / format->nAvgBytesPerSec);
            const DWORD elapsed = GetTickCount() - start;
            if (dueAfter > elapsed) Sleep(dueAfter - elapsed);
        }
        CoUninitialize();
    }

    IMediaObject* const object;
    const WavFile& wav;
    std::atomic<bool> stop{false};
    testbed::JoiningThread thread;
};

// Presses Cancel on the frame of this process after a while.
class FrameCloser {
public:
    explicit FrameCloser(DWORD delayMs) : uiThread(GetCurrentThreadId()) {
        if (delayMs) thread = testbed::JoiningThread([this, delayMs] { Run(delayMs); });
    }
    ~FrameCloser() {
        done = true;
        if (thread.joinable()) thread.join();
    }
    FrameCloser(const FrameCloser&) = delete;
    FrameCloser& operator=(const FrameCloser&) = delete;

private:
    static BOOL CALLBACK CloseFrame(HWND window, LPARAM) {
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wcscmp(name, L"#32770") == 0 && IsWindowVisible(window)) PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    void Run(DWORD delayMs) {
        for (DWORD waited = 0; !done && waited < delayMs; waited += 50) Sleep(50);
        if (!done) EnumThreadWindows(uiThread, CloseFrame, 0);
    }

    const DWORD uiThread;
    std::atomic<bool> done{false};
    testbed::JoiningThread thread;
};

}  // namespace

int RunSettings(const Arguments& args) {
    SettingsOptions options;
    const std::wstring problem = ParseOptions(args, &options);
    if (!problem.empty()) return UsageError(problem);

    WavFile wav;
    HRESULT hr = S_OK;
    if (!options.input.empty()) {
        std::wstring wavProblem;
        hr = ReadWav(options.input, &wav, &wavProblem);
        if (FAILED(hr)) return Fail(wavProblem, hr);
    }
    ComPtr<IMediaObject> object;
    if (const int exitCode = CreatePlugin(options.plugin, object.GetAddressOf()); exitCode != kExitOk) return exitCode;
    ComPtr<ISpecifyPropertyPages> specify;
    hr = object.As(&specify);
    if (FAILED(hr)) return Fail(L"the plug-in has no property pages", hr);

    std::wstring step;
    if (!options.input.empty()) {
        hr = NegotiateFormat(object.Get(), wav, &step);
        if (FAILED(hr)) return Fail(step, hr);
    }

    CAUUID pages = {};
    hr = specify->GetPages(&pages);
    const gainlet::CoTaskMemPtr<GUID> pageIds(pages.pElems);
    if (FAILED(hr)) return Fail(L"GetPages failed", hr);
    FrameResult closedWith = FrameResult::Cancel;
    {
        std::unique_ptr<Streamer> streamer;
        if (!options.input.empty()) streamer = std::make_unique<Streamer>(object.Get(), wav);
        FrameCloser closer(options.closeAfterMs);
        IUnknown* objects[] = {object.Get()};
        hr = ShowPropertyFrame(L"Gainlet", 1, objects, pages, &closedWith);
    }
    if (FAILED(hr)) return Fail(L"the property frame failed", hr);

    Print(closedWith == FrameResult::Ok ? L"frame: OK\n" : L"frame: Cancel\n");
    ComPtr<IGainlet> control;
    float gainDb = 0.0f;
    if (SUCCEEDED(object.As(&control)) && SUCCEEDED(control->GetGain(&gainDb))) {
        wchar_t line[64];
        swprintf(line, ARRAYSIZE(line), L"gain: %+.3f dB\n", static_cast<double>(gainDb));
        Print(line);
    }
    return kExitOk;
}

}  // namespace dsphost
