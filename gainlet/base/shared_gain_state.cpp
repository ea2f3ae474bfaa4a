#include "base/shared_gain_state.h"

#include <cmath>
#include <cstring>

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

void WriteStoredGainDb(float gainDb) {
    RegistryKey key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS) {
        return;
    }
    DWORD bits;
    static_assert(sizeof bits == sizeof gainDb, "the value holds the float's bit pattern");
    std::memcpy(&bits, &gainDb, sizeof bits);
    RegSetValueExW(key.get(), kGainValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&bits), sizeof bits);
}

namespace {

double FactorOf(float gainDb, double dbToExponent) { return std::pow(10.0, gainDb * dbToExponent); }

float StartingGainDb() {
    // No range check: a hand-edited value is used as it is, even NaN or an
    // infinity; the sample loop keeps every gain's results defined.
    float stored = kDefaultGainDb;
    ReadStoredGainDb(&stored);
    return stored;
}

}  // namespace

SharedGainState::SharedGainState()
    : dbToExponent(std::log10(2.0) / 6.0),
      exponentToDb(6.0 / std::log10(2.0)),
      linearGain(0.0),
      gainDb(StartingGainDb()) {
    InitializeCriticalSection(&lock);
    linearGain.store(FactorOf(gainDb.load(std::memory_order_relaxed), dbToExponent), std::memory_order_relaxed);
}

SharedGainState::~SharedGainState() { DeleteCriticalSection(&lock); }

void SharedGainState::ReadGainDb(float* out) const {
    const float value = gainDb.load(std::memory_order_relaxed);
    std::memcpy(out, &value, sizeof value);
}

void SharedGainState::SetGain(float newGainDb) {
    const double factor = FactorOf(newGainDb, dbToExponent);
    EnterCriticalSection(&lock);
    gainDb.store(newGainDb, std::memory_order_relaxed);
    linearGain.store(factor, std::memory_order_relaxed);
    LeaveCriticalSection(&lock);
}

void SharedGainState::PublishFormat(DWORD newSamplesPerSec, DWORD newChannels, DWORD newBitsPerSample,
                                    BOOL newIsFloat) {
    EnterCriticalSection(&lock);
    samplesPerSec = newSamplesPerSec;
    bitsPerSample = newBitsPerSample;
    channels = newChannels;
    isFloat = newIsFloat;
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
