#include "base/shared_gain_state.h"

#include <cmath>
#include <cstring>

#include "base/wave_subformats.h"
#include "common/unique_handle.h"

namespace gainlet {

SharedGainState g_sharedGainState;

// A value of any registry type counts as long as it holds exactly the 4
// bytes of a float: a longer one makes the query fail, and a shorter one
// would leave part of the float unwritten.
bool ReadStoredGainDb(float* gainDb) {
    RegistryKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, KEY_READ, key.put()) != ERROR_SUCCESS) return false;
    float stored = 0.0f;
    DWORD size = sizeof(stored);
    if (RegQueryValueExW(key.get(), kGainValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(&stored), &size) !=
            ERROR_SUCCESS ||
        size != sizeof(stored)) {
        return false;
    }
    *gainDb = stored;
    return true;
}

namespace {

// The sample loop reads linearGain without the lock, so every store must be a
// single 8-byte access (an SSE2 movsd, also on the 32-bit build).
void StoreLinearGain(double* field, double value) { *static_cast<volatile double*>(field) = value; }

// Built before any object of the module can exist, gone after the last one.
struct ModuleLifetime {
    ModuleLifetime() { g_sharedGainState.Load(); }
    ~ModuleLifetime() { g_sharedGainState.Unload(); }
} moduleLifetime;

}  // namespace

void SharedGainState::Load() {
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    InitializeCriticalSection(&lock);
    const double log2 = std::log10(2.0);
    exponentToDb = 6.0 / log2;
    dbToExponent = log2 / 6.0;
    // No range check: a hand-edited value is used as it is, even NaN or an
    // infinity; the sample loop keeps every gain's results defined.
    gainDb = kDefaultGainDb;
    ReadStoredGainDb(&gainDb);
    StoreLinearGain(&linearGain, std::pow(10.0, gainDb * dbToExponent));
}

void SharedGainState::Unload() { DeleteCriticalSection(&lock); }

void SharedGainState::ReadGainDb(float* out) const {
    const float value = *static_cast<const volatile float*>(&gainDb);
    std::memcpy(out, &value, sizeof value);
}

double SharedGainState::LinearGain() const { return *static_cast<const volatile double*>(&linearGain); }

void SharedGainState::SetGain(float newGainDb) {
    const double factor = std::pow(10.0, newGainDb * dbToExponent);
    EnterCriticalSection(&lock);
    *static_cast<volatile float*>(&gainDb) = newGainDb;
    StoreLinearGain(&linearGain, factor);
    LeaveCriticalSection(&lock);
}

void SharedGainState::PublishFormat(const WAVEFORMATEX* format) {
    DWORD bits = format->wBitsPerSample;
    BOOL floatSamples = format->wFormatTag == WAVE_FORMAT_IEEE_FLOAT;
    if (format->wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
        const auto* extensible = reinterpret_cast<const WAVEFORMATEXTENSIBLE*>(format);
        if (IsEqualGUID(extensible->SubFormat, kSubFormatPcm)) {
            bits = extensible->Samples.wValidBitsPerSample;
        } else if (IsEqualGUID(extensible->SubFormat, kSubFormatFloat)) {
            floatSamples = TRUE;
        }
    }
    EnterCriticalSection(&lock);
    samplesPerSec = format->nSamplesPerSec;
    bitsPerSample = bits;
    channels = format->nChannels;
    isFloat = floatSamples;
    LeaveCriticalSection(&lock);
}

void SharedGainState::ReadFormat(DWORD* outSamplesPerSec, DWORD* outChannels, DWORD* outBitsPerSample,
                                 BOOL* outIsFloat) {
    EnterCriticalSection(&lock);
    const DWORD rate = samplesPerSec;
    const DWORD count = channels;
    const DWORD bits = bitsPerSample;
    const BOOL floatSamples = isFloat;
    LeaveCriticalSection(&lock);
    if (outSamplesPerSec) *outSamplesPerSec = rate;
    if (outChannels) *outChannels = count;
    if (outBitsPerSample) *outBitsPerSample = bits;
    if (outIsFloat) *outIsFloat = floatSamples;
}

void SharedGainState::UpdateMeter(float runPeak) {
    EnterCriticalSection(&lock);
    if (!(runPeak < peak)) peak = runPeak;
    processedSinceRead = true;
    LeaveCriticalSection(&lock);
}

void SharedGainState::ReadMeter(BOOL reset, float* outPeak, BOOL* outProcessed) {
    EnterCriticalSection(&lock);
    const float held = peak;
    const BOOL processed = processedSinceRead ? TRUE : FALSE;
    if (reset) peak = 0.0f;
    processedSinceRead = false;
    LeaveCriticalSection(&lock);
    if (outPeak) *outPeak = held;
    if (outProcessed) *outProcessed = processed;
}

}  // namespace gainlet
