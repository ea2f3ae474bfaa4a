// IGainlet where the caller cannot call the object directly: from another
// apartment of the same process, and from another process, as a player's
// settings page reaches a DSP object that the player runs out of process.
// Every call goes through a proxy that the platform's type-library
// marshaller builds from what DllRegisterServer registered.
#include <gtest/gtest.h>

#include <mediaobj.h>
#include <mmreg.h>
#include <ocidl.h>
#include <shlwapi.h>
#include <tlhelp32.h>
#include <uuids.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "e2e_support.h"
#include "gainlet.h"
#include "joining_thread.h"
#include "plugin_records.h"
#include "registry_probe.h"
#include "resource.h"
#include "settings_key.h"
#include "test_buffer.h"
#include "wave_format.h"

namespace {

using e2e::ComApartment;
using e2e::Env;
using e2e::Regsvr32;
using gainlet::test::TestBuffer;
using Microsoft::WRL::ComPtr;

const wchar_t kDspClassKey[] = L"CLSID\\{CB5764E3-601F-4017-B0C5-11CE65E068C1}";
const wchar_t kDspClassId[] = L"{CB5764E3-601F-4017-B0C5-11CE65E068C1}";

// A manual-reset event, not yet signalled.
gainlet::KernelHandle CreateUnsignalledEvent() {
    return gainlet::KernelHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

// Only a proxy answers IClientSecurity: the object itself does not.
bool IsProxy(IUnknown* object) {
    ComPtr<IClientSecurity> security;
    return SUCCEEDED(object->QueryInterface(IID_PPV_ARGS(&security)));
}

// Float samples, three channels at 96 kHz: every field GetFormatInfo reports
// differs from the others and from zero.
HRESULT PlayThreeChannelFloat(IMediaObject* dsp, const std::vector<float>& samples) {
    const gainlet::test::WaveFormat format = {WAVE_FORMAT_IEEE_FLOAT, 3, 96000, 32};
    WAVEFORMATEXTENSIBLE wave = gainlet::test::WaveBlock(format);
    DMO_MEDIA_TYPE type = {};
    type.majortype = MEDIATYPE_Audio;
    type.subtype = MEDIASUBTYPE_IEEE_FLOAT;
    type.bFixedSizeSamples = TRUE;
    type.lSampleSize = wave.Format.nBlockAlign;
    type.formattype = FORMAT_WaveFormatEx;
    type.cbFormat = static_cast<ULONG>(gainlet::test::WaveBlockSize(format));
    type.pbFormat = reinterpret_cast<BYTE*>(&wave);
    HRESULT hr = dsp->SetInputType(0, &type, 0);
    if (SUCCEEDED(hr)) hr = dsp->SetOutputType(0, &type, 0);
    if (FAILED(hr)) return hr;

    const DWORD bytes = static_cast<DWORD>(samples.size() * sizeof(float));
    std::vector<BYTE> data(bytes);
    memcpy(data.data(), samples.data(), bytes);
    TestBuffer input(std::move(data), bytes);
    TestBuffer output(bytes);
    hr = dsp->ProcessInput(0, &input, 0, 0, 0);
    if (FAILED(hr)) return hr;
    DMO_OUTPUT_DATA_BUFFER run = {&output, 0, 0, 0};
    DWORD status = 0;
    return dsp->ProcessOutput(0, 1, &run, &status);
}

class Marshalling : public e2e::RegistrarTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RegistrarTest::SetUp());
        ASSERT_EQ(Regsvr32(L"", dll), 0u);
    }
    void TearDown() override {
        Regsvr32(L"/u ", dll);
        SHDeleteKeyW(HKEY_LOCAL_MACHINE, testbed::kRegistrarKeyPath);
    }
};

// The object lives in the multithreaded apartment of a streaming thread; a
// single-threaded apartment, as a player's window thread, gets only a proxy
// and must reach all four methods through it.
TEST_F(Marshalling, AnObjectOfTheMultithreadedApartmentServesAWindowThreadThroughItsProxy) {
    const ComApartment windowThread(COINIT_APARTMENTTHREADED);
    ASSERT_EQ(windowThread.hr, S_OK);

    const gainlet::KernelHandle marshalled = CreateUnsignalledEvent(), finished = CreateUnsignalledEvent();
    IStream* stream = nullptr;
    HRESULT streamingResult = E_UNEXPECTED;
    float gainSeenByTheStreamingThread = 0.0f;
    testbed::JoiningThread streaming([&] {
        const ComApartment mta(COINIT_MULTITHREADED);
        ComPtr<IMediaObject> dsp;
        ComPtr<IGainlet> control;
        streamingResult = CoCreateInstance(CLSID_Gainlet, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&dsp));
        if (SUCCEEDED(streamingResult)) streamingResult = dsp.As(&control);
        if (SUCCEEDED(streamingResult)) {
            float peak;
            BOOL processed;
            control->GetPeak(&peak, &processed, TRUE);
            control->SetGain(0.0f);
            streamingResult = PlayThreeChannelFloat(dsp.Get(), {0.25f, -0.75f, 0.5f, 0.125f, 0.0f, -0.5f});
        }
        if (SUCCEEDED(streamingResult)) streamingResult = control->SetGain(-12.5f);
        // Handed over as IUnknown, as a property frame hands the page its objects.
        if (SUCCEEDED(streamingResult))
            streamingResult = CoMarshalInterThreadInterfaceInStream(IID_IUnknown, control.Get(), &stream);
        SetEvent(marshalled.get());
        WaitForSingleObject(finished.get(), INFINITE);
        if (control) control->GetGain(&gainSeenByTheStreamingThread);
    });
    struct Finish {
        HANDLE event;
        ~Finish() { SetEvent(event); }
    } finish{finished.get()};

    WaitForSingleObject(marshalled.get(), INFINITE);
    ASSERT_EQ(streamingResult, S_OK);
    ComPtr<IUnknown> object;
    ASSERT_EQ(CoGetInterfaceAndReleaseStream(stream, IID_PPV_ARGS(&object)), S_OK);
    EXPECT_TRUE(IsProxy(object.Get())) << "another apartment gets a proxy";
    ComPtr<IGainlet> control;
    ASSERT_EQ(object.As(&control), S_OK) << "IGainlet cannot be marshalled";

    // Each out value starts as something the call must overwrite.
    float gainDb = 99.0f;
    EXPECT_EQ(control->GetGain(&gainDb), S_OK);
    EXPECT_EQ(gainDb, -12.5f);
    EXPECT_EQ(control->SetGain(3.25f), S_OK);
    gainDb = 99.0f;
    EXPECT_EQ(control->GetGain(&gainDb), S_OK);
    EXPECT_EQ(gainDb, 3.25f);

    float peak = -1.0f;
    BOOL processed = 7;
    EXPECT_EQ(control->GetPeak(&peak, &processed, FALSE), S_OK);
    EXPECT_EQ(peak, 0.75f);
    EXPECT_EQ(processed, TRUE);
    processed = 7;
    EXPECT_EQ(control->GetPeak(&peak, &processed, TRUE), S_OK) << "reset";
    EXPECT_EQ(peak, 0.75f) << "a read without reset kept the peak";
    EXPECT_EQ(processed, FALSE);
    peak = -1.0f;
    EXPECT_EQ(control->GetPeak(&peak, &processed, FALSE), S_OK);
    EXPECT_EQ(peak, 0.0f) << "the reset reached the object";

    DWORD samplesPerSec = 1, channels = 1, bitsPerSample = 1;
    BOOL isFloat = 7;
    EXPECT_EQ(control->GetFormatInfo(&samplesPerSec, &channels, &bitsPerSample, &isFloat), S_OK);
    EXPECT_EQ(samplesPerSec, 96000u);
    EXPECT_EQ(channels, 3u);
    EXPECT_EQ(bitsPerSample, 32u);
    EXPECT_EQ(isFloat, TRUE);

    control.Reset();
    object.Reset();
    SetEvent(finished.get());
    streaming.join();
    EXPECT_EQ(gainSeenByTheStreamingThread, 3.25f) << "the proxy's SetGain changed the object itself";
}

// The platform's surrogate for a 32-bit caller: DllSurrogate left empty. A
// 64-bit caller names the system folder's dllhost.exe, its own architecture,
// because Wine 8 starts the 32-bit surrogate for an empty value whatever the
// caller's architecture.
std::wstring SurrogateOfThisArchitecture() {
    if (sizeof(void*) == 4) return L"";
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder) + L"\\dllhost.exe";
}

// A surrogate process for the DSP object, registered for this test only: the
// player hosts out-of-process plug-ins itself, so the product registers none.
class SurrogateClass {
public:
    SurrogateClass() {
        const std::wstring appIdKey = std::wstring(L"AppID\\") + kDspClassId;
        gainlet::RegistryKey key;
        if (RegCreateKeyExW(HKEY_CLASSES_ROOT, appIdKey.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                            nullptr) != ERROR_SUCCESS)
            return;
        const bool surrogate = SetString(key.get(), L"DllSurrogate", SurrogateOfThisArchitecture().c_str());
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kDspClassKey, 0, KEY_SET_VALUE, key.put()) != ERROR_SUCCESS) return;
        registered = surrogate && SetString(key.get(), L"AppID", kDspClassId);
    }
    ~SurrogateClass() {
        SHDeleteKeyW(HKEY_CLASSES_ROOT, (std::wstring(L"AppID\\") + kDspClassId).c_str());
        SHDeleteValueW(HKEY_CLASSES_ROOT, kDspClassKey, L"AppID");
    }
    SurrogateClass(const SurrogateClass&) = delete;
    SurrogateClass& operator=(const SurrogateClass&) = delete;

    bool registered = false;

private:
    static bool SetString(HKEY key, const wchar_t* name, const wchar_t* data) {
        return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(data),
                              static_cast<DWORD>((wcslen(data) + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
    }
};

// Wine's dllhost.exe, started by COM from this process, is never told that
// its last object went and waits for ever; on Windows the surrogate is no
// child of the caller and ends by itself.
void EndLeftoverSurrogates() {
    const gainlet::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID != GetCurrentProcessId() || _wcsicmp(entry.szExeFile, L"dllhost.exe") != 0)
            continue;
        const gainlet::KernelHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, entry.th32ProcessID));
        if (!process) continue;
        TerminateProcess(process.get(), 0);
    }
}

// Runs the window's messages for a while: the page polls the object on a
// timer, through the proxy.
void PumpMessages(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::wstring ControlText(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, ARRAYSIZE(text));
    return text;
}

float RemoteGain(IGainlet* control) {
    float gainDb = 99.0f;
    EXPECT_EQ(control->GetGain(&gainDb), S_OK);
    return gainDb;
}

// The DSP object in a surrogate process, the settings page here: the page
// shows, previews, applies and restores the gain through the proxy.
TEST_F(Marshalling, TheSettingsPageReachesTheObjectInAnotherProcess) {
    const ComApartment windowThread(COINIT_APARTMENTTHREADED);
    ASSERT_EQ(windowThread.hr, S_OK);
    const bool hadSettings = gainlet::test::KeyExists(HKEY_CURRENT_USER, gainlet::kProductKeyPath);
    struct Cleanup {
        bool keepSettings;
        ~Cleanup() {
            EndLeftoverSurrogates();
            if (!keepSettings) SHDeleteKeyW(HKEY_CURRENT_USER, gainlet::kProductKeyPath);  // Apply stores the gain
        }
    } cleanup{hadSettings};
    const SurrogateClass surrogate;
    ASSERT_TRUE(surrogate.registered);

    ComPtr<IGainlet> control;
    ASSERT_EQ(CoCreateInstance(CLSID_Gainlet, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&control)), S_OK);
    EXPECT_TRUE(IsProxy(control.Get()));
    // This process has an engine of its own, with another gain: only the
    // object over there holds -7.25 dB.
    ASSERT_EQ(control->SetGain(-7.25f), S_OK);
    EXPECT_EQ(RemoteGain(control.Get()), -7.25f);
    float peak = -1.0f;
    BOOL processed = 7;
    EXPECT_EQ(control->GetPeak(&peak, &processed, TRUE), S_OK);
    EXPECT_EQ(peak, 0.0f);
    EXPECT_EQ(processed, FALSE);
    DWORD samplesPerSec = 1, channels = 1, bitsPerSample = 1;
    BOOL isFloat = 7;
    EXPECT_EQ(control->GetFormatInfo(&samplesPerSec, &channels, &bitsPerSample, &isFloat), S_OK);
    EXPECT_EQ(samplesPerSec + channels + bitsPerSample + isFloat, 0u) << "no format accepted over there";

    ComPtr<IPropertyPage> page;
    ASSERT_EQ(CoCreateInstance(CLSID_GainletPropPage, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&page)), S_OK);
    IUnknown* objects[] = {control.Get()};
    ASSERT_EQ(page->SetObjects(1, objects), S_OK);
    gainlet::WindowHandle frame(CreateWindowExW(0, L"STATIC", L"Gainlet", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 640,
                                                480, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_NE(frame.get(), nullptr);
    const RECT area = {0, 0, 600, 400};
    ASSERT_EQ(page->Activate(frame.get(), &area, FALSE), S_OK);
    const HWND dialog = GetWindow(frame.get(), GW_CHILD);
    ASSERT_NE(dialog, nullptr);
    PumpMessages(200);
    EXPECT_EQ(ControlText(dialog, IDC_GAIN), L"-7.250") << "the page shows the other process's gain";

    SetDlgItemTextW(dialog, IDC_GAIN, L"-2.5");
    EXPECT_EQ(RemoteGain(control.Get()), -2.5f) << "an edit is previewed over there";
    EXPECT_EQ(page->Apply(), S_OK);
    SetDlgItemTextW(dialog, IDC_GAIN, L"-20");
    EXPECT_EQ(RemoteGain(control.Get()), -20.0f);
    PumpMessages(200);
    EXPECT_EQ(page->Deactivate(), S_OK);
    EXPECT_EQ(RemoteGain(control.Get()), -2.5f) << "leaving the page gives back the applied gain";

    page->SetObjects(0, nullptr);
    page.Reset();
    frame.reset();
    control.Reset();
}

}  // namespace
