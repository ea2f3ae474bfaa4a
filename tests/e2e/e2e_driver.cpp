// The plug-in end to end in a Wine prefix of its own, as the player and the
// installer meet it: regsvr32 with the registrar stand-in, the registry it
// leaves, dsphost and a DirectShow graph of the platform's own filters
// playing WAV files through the registered plug-in, and regsvr32 /u.
// run-e2e.sh starts this program once per prefix and language.
//
// Environment: GAINLET_DLL, GAINLET_REGISTRAR, GAINLET_DSPHOST (Windows
// paths of the three binaries) and GAINLET_WORKDIR (a scratch folder).
#include <gtest/gtest.h>

#include <mmreg.h>
#include <shlwapi.h>
#include <uuids.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "directshow_graph.h"
#include "e2e_support.h"
#include "gainlet.h"
#include "plugin_records.h"
#include "registry_probe.h"
#include "stored_gain.h"
#include "wav_file.h"
#include "wave_format.h"
#include "sample_reference.h"
#include "settings_key.h"
#include "wmp_plugin.h"

namespace {

const wchar_t kDspKey[] = L"CLSID\\{CB5764E3-601F-4017-B0C5-11CE65E068C1}";
const wchar_t kPageKey[] = L"CLSID\\{1B57CFE0-1B2F-498B-82AB-F853BF229E55}";
const wchar_t kInterfaceKey[] = L"Interface\\{0B6A451D-D1F5-462E-B6A2-ECA6261A7E8E}";
const wchar_t kTypeLibKey[] = L"TypeLib\\{A07DA2EF-A8FC-4428-AF2C-35682F034B50}";

using e2e::ComApartment;
using e2e::Env;
using e2e::ProcessResult;
using e2e::Quoted;
using e2e::Regsvr32;
using e2e::RunProcess;

using gainlet::test::KeyExists;
using gainlet::test::StringValue;

void ForgetRegistrarRecords() { SHDeleteKeyW(HKEY_LOCAL_MACHINE, testbed::kRegistrarKeyPath); }

std::string Utf8(const std::wstring& text) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(bytes > 0 ? bytes - 1 : 0, '\0');
    if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], bytes, nullptr, nullptr);
    return out;
}

// Calls the DLL's own entry points in this process, for their HRESULTs
// (regsvr32 reports only an exit code).
HRESULT CallDllExport(const char* name) {
    const gainlet::LibraryHandle dll(LoadLibraryW(Env(L"GAINLET_DLL").c_str()));
    if (!dll) return HRESULT_FROM_WIN32(GetLastError());
    using Entry = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(dll.get(), name)));
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // as regsvr32 does
    const HRESULT hr = entry ? entry() : E_NOINTERFACE;
    CoUninitialize();
    return hr;
}

void ExpectRegisterCall(const testbed::PluginRecord& call, const GUID& type, const std::wstring& name,
                        const std::wstring& description) {
    EXPECT_EQ(call.operation, L"Register");
    EXPECT_TRUE(IsEqualGUID(call.pluginType, type)) << Utf8(testbed::GuidText(call.pluginType));
    EXPECT_TRUE(IsEqualGUID(call.clsid, CLSID_Gainlet));
    EXPECT_TRUE(call.hasFriendlyName && call.hasDescription);
    EXPECT_EQ(Utf8(call.friendlyName), Utf8(name));
    EXPECT_EQ(Utf8(call.description), Utf8(description));
    EXPECT_FALSE(call.hasUninstallString);
    EXPECT_EQ(call.priority, 1u);
    ASSERT_EQ(call.mediaTypes.size(), 1u);
    EXPECT_TRUE(IsEqualGUID(call.mediaTypes[0].type, MEDIATYPE_Audio));
    EXPECT_TRUE(IsEqualGUID(call.mediaTypes[0].subtype, MEDIASUBTYPE_PCM));
}

void ExpectUnregisterCall(const testbed::PluginRecord& call, const GUID& type) {
    EXPECT_EQ(call.operation, L"Unregister");
    EXPECT_TRUE(IsEqualGUID(call.pluginType, type)) << Utf8(testbed::GuidText(call.pluginType));
    EXPECT_TRUE(IsEqualGUID(call.clsid, CLSID_Gainlet));
}

void ExpectClassKeys(const std::wstring& dllPath) {
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, kDspKey, nullptr), L"Gainlet Class");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, std::wstring(kDspKey) + L"\\InprocServer32", nullptr), dllPath);
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, std::wstring(kDspKey) + L"\\InprocServer32", L"ThreadingModel"), L"Both");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, kPageKey, nullptr), L"Gainlet PropertyPage Class");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, std::wstring(kPageKey) + L"\\InprocServer32", nullptr), dllPath);
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, std::wstring(kPageKey) + L"\\InprocServer32", L"ThreadingModel"),
              L"Apartment");

    // IGainlet crosses apartments through the platform's type-library
    // marshaller, which reads the DLL's own type library.
    const std::wstring interfaceKey = kInterfaceKey, typeLibKey = kTypeLibKey;
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, interfaceKey + L"\\ProxyStubClsid32", nullptr),
              L"{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, interfaceKey + L"\\TypeLib", nullptr),
              L"{A07DA2EF-A8FC-4428-AF2C-35682F034B50}");
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, interfaceKey + L"\\TypeLib", L"Version"), L"1.0");
    const wchar_t* platform = sizeof(void*) == 8 ? L"win64" : L"win32";
    EXPECT_EQ(StringValue(HKEY_CLASSES_ROOT, typeLibKey + L"\\1.0\\0\\" + platform, nullptr), dllPath);
}

void ExpectNoTypeLibraryKeys() {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kInterfaceKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLibKey));
}

const wchar_t kEnglishName[] = L"Gainlet plugin";
const wchar_t kEnglishDescription[] = L"This plugin finely adjusts sound volume to evade peak limiter of the Windows.";
const wchar_t kJapaneseName[] = L"Gainlet \u97f3\u91cf\u5fae\u8abf\u6574\u30d7\u30e9\u30b0\u30a4\u30f3";
const wchar_t kJapaneseDescription[] =
    L"Windows\u306e\u30d4\u30fc\u30af\u30ea\u30df\u30c3\u30bf\u30fc\u304c\u639b\u304b\u3089\u306a\u3044\u3088\u3046"
    L"\u306b"
    L"\u97f3\u91cf\u3092\u5fae\u8abf\u6574\u3067\u304d\u307e\u3059";

// Each test starts with the stand-in registered, Gainlet not, no records.
class Registration : public e2e::RegistrarTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RegistrarTest::SetUp());
        Regsvr32(L"/u ", dll);
        ForgetRegistrarRecords();
    }
    void TearDown() override {
        Regsvr32(L"/u ", dll);
        ForgetRegistrarRecords();
    }
};

TEST_F(Registration, WithoutTheRegistrarNothingIsRegistered) {
    ASSERT_EQ(Regsvr32(L"/u ", Env(L"GAINLET_REGISTRAR")), 0u);
    EXPECT_NE(Regsvr32(L"", dll), 0u) << "regsvr32 reports the failure";
    EXPECT_EQ(CallDllExport("DllRegisterServer"), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kDspKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kPageKey));
    ExpectNoTypeLibraryKeys();
    EXPECT_EQ(CallDllExport("DllUnregisterServer"), REGDB_E_CLASSNOTREG);
}

TEST_F(Registration, RegistersBothClassesAndBothDspTypesOnVista) {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(&version);
    ASSERT_GE(version.dwMajorVersion, 6u) << "this prefix reports a Vista-or-later system";

    ASSERT_EQ(Regsvr32(L"", dll), 0u);
    ExpectClassKeys(dll);
    const auto calls = testbed::ReadRegistrarCalls();
    ASSERT_EQ(calls.size(), 2u);
    ExpectRegisterCall(calls[0], WMP_PLUGINTYPE_DSP, kEnglishName, kEnglishDescription);
    ExpectRegisterCall(calls[1], WMP_PLUGINTYPE_DSP_OUTOFPROC, kEnglishName, kEnglishDescription);

    ASSERT_EQ(Regsvr32(L"", dll), 0u) << "registering again";
    ExpectClassKeys(dll);
    EXPECT_EQ(testbed::ReadRegisteredPlugins().size(), 2u);

    const ProcessResult list = RunProcess(Quoted(Env(L"GAINLET_DSPHOST")) + L" --list");
    EXPECT_EQ(list.exitCode, 0u);
    EXPECT_EQ(list.output,
              "{6434BAEA-4954-498D-ABD5-2B07123E1F04}\t{CB5764E3-601F-4017-B0C5-11CE65E068C1}\t1\tGainlet plugin\t" +
                  Utf8(kEnglishDescription) +
                  "\n{EF29B174-C347-44CC-9A4F-2399118FF38C}\t{CB5764E3-601F-4017-B0C5-11CE65E068C1}\t1\tGainlet "
                  "plugin\t" +
                  Utf8(kEnglishDescription) + "\n");
}

TEST_F(Registration, UnregisterRemovesItsOwnKeysButLeavesForeignSubkeys) {
    ASSERT_EQ(Regsvr32(L"", dll), 0u);
    gainlet::RegistryKey foreign;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (std::wstring(kDspKey) + L"\\Foreign").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, foreign.put(), nullptr),
              ERROR_SUCCESS);
    foreign.reset();
    ForgetRegistrarRecords();

    ASSERT_EQ(Regsvr32(L"/u ", dll), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(kDspKey) + L"\\InprocServer32"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, std::wstring(kDspKey) + L"\\Foreign"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kPageKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
    ExpectNoTypeLibraryKeys();
    const auto calls = testbed::ReadRegistrarCalls();
    ASSERT_EQ(calls.size(), 2u);
    ExpectUnregisterCall(calls[0], WMP_PLUGINTYPE_DSP);
    ExpectUnregisterCall(calls[1], WMP_PLUGINTYPE_DSP_OUTOFPROC);
    EXPECT_TRUE(testbed::ReadRegisteredPlugins().empty());

    // The stand-in now fails both unregister calls: that must not matter.
    EXPECT_EQ(Regsvr32(L"/u ", dll), 0u) << "unregistering twice";
    SHDeleteKeyW(HKEY_CLASSES_ROOT, kDspKey);
}

TEST_F(Registration, RegistrarFailureStopsBeforeTheClassKeys) {
    gainlet::RegistryKey root;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, testbed::kRegistrarKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              root.put(), nullptr),
              ERROR_SUCCESS);
    const std::wstring type = testbed::GuidText(WMP_PLUGINTYPE_DSP_OUTOFPROC);
    const DWORD failWith = static_cast<DWORD>(E_ACCESSDENIED);
    RegSetValueExW(root.get(), L"FailPluginType", 0, REG_SZ, reinterpret_cast<const BYTE*>(type.c_str()),
                   static_cast<DWORD>((type.size() + 1) * sizeof(wchar_t)));
    RegSetValueExW(root.get(), L"FailWith", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&failWith), sizeof(failWith));
    root.reset();

    EXPECT_EQ(CallDllExport("DllRegisterServer"), E_ACCESSDENIED);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kDspKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kPageKey));
    ExpectNoTypeLibraryKeys();
    const auto plugins = testbed::ReadRegisteredPlugins();
    ASSERT_EQ(plugins.size(), 1u) << "the first player entry stays";
    EXPECT_TRUE(IsEqualGUID(plugins[0].pluginType, WMP_PLUGINTYPE_DSP));
}

TEST_F(Registration, PathWithASingleQuoteIsStoredAsItIs) {
    const std::wstring folder = Env(L"GAINLET_WORKDIR") + L"\\it's here";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring copy = folder + L"\\Gainlet.dll";
    ASSERT_TRUE(CopyFileW(dll.c_str(), copy.c_str(), FALSE));
    ASSERT_EQ(Regsvr32(L"", copy), 0u);
    ExpectClassKeys(copy);
    EXPECT_EQ(Regsvr32(L"/u ", copy), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kDspKey));
    ExpectNoTypeLibraryKeys();
}

// ---- Playing WAV files through the registered plug-in ----

using gainlet::test::WaveBytes;
using gainlet::test::WaveFormat;

// Full-scale extremes, small values around rounding ties, and noise.
std::vector<BYTE> MakeSamples(const WaveFormat& layout, size_t frames) {
    const size_t width = layout.bits / 8;
    std::vector<BYTE> data(frames * layout.channels * width);
    uint32_t seed = 0x12345678u ^ layout.bits ^ (layout.validBits << 8) ^ (layout.tag << 16);
    const bool isFloat = layout.tag == WAVE_FORMAT_IEEE_FLOAT ||
                         (layout.bits == 32 && IsEqualGUID(layout.subFormat, MEDIASUBTYPE_IEEE_FLOAT));
    for (size_t i = 0; i < data.size() / width; ++i) {
        seed = seed * 1664525u + 1013904223u;
        uint32_t value = seed;
        if (isFloat) {
            const float specials[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.75f, 1.5f, -2.25f, 1e-30f};
            float f = i < 8 ? specials[i] : (static_cast<int32_t>(seed) / 2147483648.0f) * 1.5f;
            memcpy(&value, &f, 4);
        } else if (i < 6) {
            const uint32_t top = 1u << (layout.bits - 1);
            const uint32_t specials[] = {top - 1, top, 0, 1, ~0u, top + 1};  // max, min, 0, +1, -1, min+1
            value = specials[i];
        }
        memcpy(&data[i * width], &value, width);
    }
    return data;
}

// A WAV file of a format chunk and a data chunk, and then the chunks given
// whole in trailing.
void WriteWav(const std::wstring& path, const std::vector<BYTE>& format, const std::vector<BYTE>& data,
              const std::vector<BYTE>& trailing = {}) {
    std::vector<BYTE> file;
    auto put32 = [&file](uint32_t v) {
        for (int s = 0; s < 32; s += 8) file.push_back(static_cast<BYTE>(v >> s));
    };
    auto tag = [&file](const char* t) { file.insert(file.end(), t, t + 4); };
    tag("RIFF");
    put32(static_cast<uint32_t>(4 + 8 + format.size() + 8 + data.size() + (data.size() & 1) + trailing.size()));
    tag("WAVE");
    tag("fmt ");
    put32(static_cast<uint32_t>(format.size()));
    file.insert(file.end(), format.begin(), format.end());
    tag("data");
    put32(static_cast<uint32_t>(data.size()));
    file.insert(file.end(), data.begin(), data.end());
    if (data.size() & 1) file.push_back(0);
    file.insert(file.end(), trailing.begin(), trailing.end());
    const gainlet::FileHandle handle(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_NE(handle.get(), INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(handle.get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
}

// A WAV file the host wrote or was given, read by the host's own reader,
// which also refuses a second format or data chunk.
::testing::AssertionResult ReadWav(const std::wstring& path, dsphost::WavFile* wav) {
    std::wstring problem;
    if (dsphost::ReadWav(path, wav, &problem) == S_OK) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Utf8(problem);
}

// Where two byte strings first differ; the shorter one's size when one is
// the start of the other.
size_t FirstDifference(const std::vector<BYTE>& a, const std::vector<BYTE>& b) {
    const size_t common = std::min(a.size(), b.size());
    return std::mismatch(a.begin(), a.begin() + common, b.begin()).first - a.begin();
}

// "key: value" lines of the host's summary.
std::string SummaryLine(const std::string& output, const std::string& key) {
    const size_t at = output.find(key + ": ");
    if (at == std::string::npos) return "<missing>";
    const size_t start = at + key.size() + 2;
    return output.substr(start, output.find('\n', start) - start);
}

class Playing : public Registration {
protected:
    void SetUp() override {
        Registration::SetUp();
        ASSERT_EQ(Regsvr32(L"", dll), 0u);
    }

    // Plays a generated WAV of layout; compares every output byte and the
    // reported peak with the reference. A host that feeds whole frames loses
    // none, whatever its buffer sizes: the reference plays the stream as one run.
    void Play(const WaveFormat& layout, float gainDb, const std::wstring& extra, bool enabled,
              std::string* summary = nullptr) {
        SCOPED_TRACE(gainlet::test::LayoutName(layout) + " at " + std::to_string(gainDb) + " dB");
        const std::vector<BYTE> format = WaveBytes(layout);
        const std::vector<BYTE> data = MakeSamples(layout, 7000);
        const std::wstring in = Env(L"GAINLET_WORKDIR") + L"\\in.wav", out = Env(L"GAINLET_WORKDIR") + L"\\out.wav";
        WriteWav(in, format, data);
        DeleteFileW(out.c_str());
        wchar_t gain[32];
        swprintf(gain, ARRAYSIZE(gain), L"%.9g", static_cast<double>(gainDb));
        const ProcessResult run = RunProcess(Quoted(Env(L"GAINLET_DSPHOST")) + L" --gain " + gain + L" " + extra +
                                             L" " + Quoted(in) + L" " + Quoted(out));
        ASSERT_EQ(run.exitCode, 0u) << run.output;

        dsphost::WavFile written;
        ASSERT_TRUE(ReadWav(out, &written));
        const std::vector<BYTE>& outData = written.data;
        EXPECT_EQ(written.storedFormat, format) << "the same format block";
        const gainlet::reference::Result expected =
            gainlet::reference::PlayStream(format, data, gainDb, data.size(), enabled);
        ASSERT_EQ(outData.size(), expected.bytes.size());
        EXPECT_EQ(FirstDifference(outData, expected.bytes), outData.size()) << "first differing byte";
        EXPECT_EQ(SummaryLine(run.output, "bytes in"), std::to_string(data.size()));
        EXPECT_EQ(SummaryLine(run.output, "bytes out"), std::to_string(expected.bytes.size()));
        if (enabled) {
            const std::string peak = SummaryLine(run.output, "peak");
            EXPECT_EQ(strtof(peak.c_str(), nullptr), expected.runPeak) << peak;
        }
        if (summary) *summary = run.output;
    }
};

// Every accepted layout, the extensible ones with either subtype, mono and
// stereo in turn.
TEST_F(Playing, EveryAcceptedLayoutComesOutBitExact) {
    // Saturating, halving, default, unity and near-silent gains in turn.
    const float gains[] = {24.0f, -6.0f, -0.131f, 0.0f, -100.0f, 6.0f, 3.7f};
    int index = 0;
    for (WaveFormat layout : gainlet::test::AcceptedLayouts()) {
        for (const GUID* subtype : {&MEDIASUBTYPE_PCM, &MEDIASUBTYPE_IEEE_FLOAT}) {
            if (layout.tag != WAVE_FORMAT_EXTENSIBLE && subtype != &MEDIASUBTYPE_PCM) continue;
            layout.subFormat = *subtype;
            layout.channels = index % 3 == 0 ? 1 : 2;
            Play(layout, gains[index++ % 7], L"", true);
        }
    }
}

TEST_F(Playing, BufferSizesTimeStampsAndTheEnableSwitch) {
    const WaveFormat stereo16 = {WAVE_FORMAT_PCM, 2, 44100, 16};
    std::string summary;
    Play(stereo16, -0.131f, L"--in-buffer 17640 --out-buffer 1002", true, &summary);
    EXPECT_EQ(SummaryLine(summary, "format"), "44100 Hz, 2 channels, 16 bits, integer");
    // 28000 bytes: a 17640-byte input (17 runs of 1000 whole-frame bytes
    // marked INCOMPLETE, then 640) and 10360 more (10 INCOMPLETE, then 360).
    // The second input is stamped 1000000; its runs follow 56689 apart.
    EXPECT_EQ(SummaryLine(summary, "output buffers"), "29 (27 incomplete)");
    EXPECT_EQ(SummaryLine(summary, "time stamps"), "first 0, last 1566890");

    const WaveFormat stereo24 = {WAVE_FORMAT_EXTENSIBLE, 2, 44100, 24, 24};
    Play(stereo24, 0.0f, L"--no-timestamps", true, &summary);
    EXPECT_EQ(SummaryLine(summary, "time stamps"), "none");

    Play(stereo24, 24.0f, L"--disable --out-buffer 1000", false, &summary);
    EXPECT_EQ(SummaryLine(summary, "peak"), "0 (processed 0)") << "a disabled plug-in does not feed the meter";
}

// Buffer sizes that are no whole number of frames are rounded down to one,
// and the summary says so; a partial frame would be dropped by the plug-in
// and misalign every frame after it.
TEST_F(Playing, BufferSizesAreRoundedDownToWholeFrames) {
    struct Case {
        WaveFormat layout;
        const wchar_t* options;
        const char* inBuffer;  // the summary's lines
        const char* outBuffer;
    };
    const Case cases[] = {
        {{WAVE_FORMAT_EXTENSIBLE, 2, 44100, 24, 24},
         L"--in-buffer 4100",
         "4100 bytes rounded down to 4098 (whole frames of 6 bytes)",
         "4096 bytes rounded down to 4092 (whole frames of 6 bytes)"},
        {{WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32},
         L"--in-buffer 4100 --out-buffer 1001",
         "4100 bytes rounded down to 4096 (whole frames of 8 bytes)",
         "1001 bytes rounded down to 1000 (whole frames of 8 bytes)"},
    };
    for (const Case& c : cases) {
        std::string summary;
        Play(c.layout, 3.7f, c.options, true, &summary);
        EXPECT_EQ(SummaryLine(summary, "in-buffer"), c.inBuffer) << gainlet::test::LayoutName(c.layout);
        EXPECT_EQ(SummaryLine(summary, "out-buffer"), c.outBuffer) << gainlet::test::LayoutName(c.layout);
    }
}

TEST_F(Playing, HostErrorsAreOneLineWithTheCode) {
    const std::wstring host = Quoted(Env(L"GAINLET_DSPHOST"));
    const std::wstring work = Env(L"GAINLET_WORKDIR");
    EXPECT_EQ(RunProcess(host + L" " + Quoted(work + L"\\missing.wav") + L" " + Quoted(work + L"\\x.wav")).exitCode,
              1u);

    const WaveFormat pcm24 = {WAVE_FORMAT_PCM, 2, 44100, 24};  // tag 1 allows 8 and 16 bits only
    WriteWav(work + L"\\refused.wav", WaveBytes(pcm24), MakeSamples(pcm24, 10));
    DeleteFileW((work + L"\\x.wav").c_str());
    EXPECT_EQ(RunProcess(host + L" " + Quoted(work + L"\\refused.wav") + L" " + Quoted(work + L"\\x.wav")).exitCode,
              1u);
    EXPECT_EQ(GetFileAttributesW((work + L"\\x.wav").c_str()), INVALID_FILE_ATTRIBUTES) << "nothing written";
    EXPECT_EQ(RunProcess(host + L" --in-buffer 0 a.wav b.wav").exitCode, 2u);

    // Files the plug-in accepts but the host cannot play whole: never a
    // short file and success.
    struct Unplayable {
        const char* name;
        std::vector<BYTE> format, data, trailing;
    };
    const WaveFormat mono8 = {WAVE_FORMAT_PCM, 1, 44100, 8};
    std::vector<BYTE> blockAlign60000 = WaveBytes(mono8);
    reinterpret_cast<WAVEFORMATEX*>(blockAlign60000.data())->nBlockAlign = 60000;
    reinterpret_cast<WAVEFORMATEX*>(blockAlign60000.data())->nAvgBytesPerSec = 44100u * 60000u;
    const WaveFormat channels65535 = {WAVE_FORMAT_PCM, 65535, 44100, 8};
    const WaveFormat stereo16 = {WAVE_FORMAT_PCM, 2, 44100, 16};
    std::vector<BYTE> partialFrame = MakeSamples(stereo16, 10);
    partialFrame.resize(partialFrame.size() + 2);
    auto chunk = [](const char* tag, const std::vector<BYTE>& body) {
        std::vector<BYTE> bytes(tag, tag + 4);
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<BYTE>(body.size() >> shift));
        bytes.insert(bytes.end(), body.begin(), body.end());
        return bytes;
    };
    const Unplayable files[] = {
        {"a frame larger than the input buffer (block align 60000)",
         blockAlign60000,
         std::vector<BYTE>(120000, 0x80),
         {}},
        {"a frame larger than the input buffer (65535 channels)",
         WaveBytes(channels65535),
         MakeSamples(channels65535, 2),
         {}},
        {"a data chunk ending in a partial frame", WaveBytes(stereo16), partialFrame, {}},
        // Either chunk twice: which samples, or which format, is not for the
        // host to guess.
        {"two data chunks", WaveBytes(stereo16), MakeSamples(stereo16, 1000), chunk("data", MakeSamples(stereo16, 10))},
        {"two format chunks", WaveBytes(stereo16), MakeSamples(stereo16, 1000), chunk("fmt ", WaveBytes(mono8))},
    };
    for (const Unplayable& file : files) {
        WriteWav(work + L"\\unplayable.wav", file.format, file.data, file.trailing);
        DeleteFileW((work + L"\\x.wav").c_str());
        const ProcessResult run =
            RunProcess(host + L" " + Quoted(work + L"\\unplayable.wav") + L" " + Quoted(work + L"\\x.wav"));
        EXPECT_EQ(run.exitCode, 1u) << file.name << "\n" << run.output;
        EXPECT_EQ(GetFileAttributesW((work + L"\\x.wav").c_str()), INVALID_FILE_ATTRIBUTES) << file.name;
    }

    // The output named as the input, also spelled otherwise: refused, and
    // the input stays as it was.
    WriteWav(work + L"\\same.wav", WaveBytes(stereo16), MakeSamples(stereo16, 100));
    dsphost::WavFile before, after;
    ASSERT_TRUE(ReadWav(work + L"\\same.wav", &before));
    for (const std::wstring& output : {work + L"\\same.wav", work + L"\\.\\SAME.WAV"}) {
        EXPECT_EQ(RunProcess(host + L" " + Quoted(work + L"\\same.wav") + L" " + Quoted(output)).exitCode, 1u);
        ASSERT_TRUE(ReadWav(work + L"\\same.wav", &after));
        EXPECT_EQ(after.data, before.data);
    }
}

// ---- Playing WAV files through a DirectShow graph ----

bool IsFloatFormat(const std::vector<BYTE>& format) {
    WAVEFORMATEXTENSIBLE wave = {};
    memcpy(&wave, format.data(), std::min(format.size(), sizeof(wave)));
    if (wave.Format.wFormatTag == WAVE_FORMAT_IEEE_FLOAT) return true;
    return wave.Format.wFormatTag == WAVE_FORMAT_EXTENSIBLE && format.size() >= sizeof(wave) &&
           IsEqualGUID(wave.SubFormat, MEDIASUBTYPE_IEEE_FLOAT);
}

using DirectShowGraph = Playing;

// The graph hands the plug-in the parser's buffers and takes its output into
// allocator buffers of the alignment the plug-in asks for: formats whose
// frame is not a power of two (6 channels of 16 bits: 12 bytes) must still
// come out whole.
TEST_F(DirectShowGraph, EveryFormatComesOutBitExactAtTwoStoredGains) {
    const WaveFormat layouts[] = {
        {WAVE_FORMAT_PCM, 1, 44100, 8},
        {WAVE_FORMAT_PCM, 2, 44100, 16},
        {WAVE_FORMAT_EXTENSIBLE, 6, 44100, 16, 16},
        {WAVE_FORMAT_IEEE_FLOAT, 2, 44100, 32},
    };
    // Both away from the default; the first saturates full-scale samples.
    const float gains[] = {3.7f, -9.25f};

    // The wrapper aggregates the object on this thread: from a multithreaded
    // apartment that works only for a class registered ThreadingModel Both.
    const ComApartment mta(COINIT_MULTITHREADED);
    ASSERT_HRESULT_SUCCEEDED(mta.hr);
    // The gain the DLL reads when it loads; whatever was stored before is put back.
    gainlet::test::StoredGainGuard stored;
    for (const float gainDb : gains) {
        ASSERT_EQ(GetModuleHandleW(dll.c_str()), nullptr) << "the DLL must load after the gain is stored";
        ASSERT_TRUE(stored.Set(gainDb));
        for (const WaveFormat& layout : layouts) {
            SCOPED_TRACE(gainlet::test::LayoutName(layout) + " at " + std::to_string(gainDb) + " dB");
            const std::vector<BYTE> format = WaveBytes(layout);
            const std::vector<BYTE> data = MakeSamples(layout, 7000);
            const std::wstring in = Env(L"GAINLET_WORKDIR") + L"\\graph.wav";
            WriteWav(in, format, data);

            e2e::GraphCapture played;
            ASSERT_NO_FATAL_FAILURE(e2e::PlayThroughDmo(in, CLSID_Gainlet, &played));
            ASSERT_GE(played.format.size(), sizeof(WAVEFORMATEX));
            WAVEFORMATEX fileWave, playedWave;
            memcpy(&fileWave, format.data(), sizeof(fileWave));
            memcpy(&playedWave, played.format.data(), sizeof(playedWave));
            EXPECT_EQ(playedWave.nChannels, fileWave.nChannels);
            EXPECT_EQ(playedWave.nSamplesPerSec, fileWave.nSamplesPerSec);
            EXPECT_EQ(playedWave.wBitsPerSample, fileWave.wBitsPerSample);
            EXPECT_EQ(playedWave.nBlockAlign, fileWave.nBlockAlign);
            EXPECT_EQ(IsFloatFormat(played.format), IsFloatFormat(format));

            const gainlet::reference::Result expected =
                gainlet::reference::PlayStream(format, data, gainDb, data.size(), true);
            EXPECT_EQ(played.data.size(), expected.bytes.size());
            EXPECT_EQ(FirstDifference(played.data, expected.bytes), std::min(played.data.size(), expected.bytes.size()))
                << "first differing byte";
        }
        // The next gain is read only by a fresh load of the DLL.
        CoFreeUnusedLibrariesEx(0, 0);
    }
}

// Started in a prefix set to Windows XP, under a Japanese user interface.
TEST(WindowsXpJapanese, RegistersOnlyTheInProcessTypeWithJapaneseStrings) {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExW(&version);
    ASSERT_EQ(version.dwMajorVersion, 5u) << "run in a prefix set with winecfg -v winxp";
    ASSERT_EQ(GetUserDefaultUILanguage(), MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN));

    const std::wstring dll = Env(L"GAINLET_DLL");
    ASSERT_EQ(Regsvr32(L"", Env(L"GAINLET_REGISTRAR")), 0u);
    ForgetRegistrarRecords();
    ASSERT_EQ(Regsvr32(L"", dll), 0u);
    ExpectClassKeys(dll);
    auto calls = testbed::ReadRegistrarCalls();
    ASSERT_EQ(calls.size(), 1u);
    ExpectRegisterCall(calls[0], WMP_PLUGINTYPE_DSP, kJapaneseName, kJapaneseDescription);

    ASSERT_EQ(Regsvr32(L"/u ", dll), 0u);
    calls = testbed::ReadRegistrarCalls();
    ASSERT_EQ(calls.size(), 2u);
    ExpectUnregisterCall(calls[1], WMP_PLUGINTYPE_DSP);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kDspKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kPageKey));
    ExpectNoTypeLibraryKeys();
}

}  // namespace
