// The process-wide gain, meter and published input format that every DSP
// object of the process shares.
#pragma once

#include <windows.h>

#include <atomic>

#include "settings_key.h"

namespace gainlet {

class SharedGainState {
public:
    // Creates the lock and starts from the gain the user last applied (the
    // default when none is stored).
    SharedGainState();
    ~SharedGainState();
    SharedGainState(const SharedGainState&) = delete;
    SharedGainState& operator=(const SharedGainState&) = delete;

    const double dbToExponent;  // log10(2) / 6
    const double exponentToDb;  // 6 / log10(2)

    // No lock. The bits as stored, also a signalling NaN's: a float returned
    // by value travels through the x87 stack on i686, which would quiet it.
    void ReadGainDb(float* out) const;
    // No lock: the sample loop reads it once per sample, so that a change
    // takes effect at the next one.
    double LinearGain() const { return linearGain.load(std::memory_order_relaxed); }
    void SetGain(float gainDb);  // locked
    // Locked. The format of the input type a DSP object last accepted.
    void PublishFormat(DWORD samplesPerSec, DWORD channels, DWORD bitsPerSample, BOOL isFloat);
    void ReadFormat(DWORD* samplesPerSec, DWORD* channels, DWORD* bitsPerSample,
                    BOOL* isFloat);                            // locked; each pointer optional
    void UpdateMeter(float runPeak);                           // locked
    void ReadMeter(BOOL reset, float* peak, BOOL* processed);  // locked

private:
    friend struct SharedGainStateTestAccess;

    CRITICAL_SECTION lock;  // leaf lock: guards the gain's changes and everything below
    std::atomic<double> linearGain;
    std::atomic<float> gainDb;
    DWORD samplesPerSec = 0;
    DWORD bitsPerSample = 0;
    DWORD channels = 0;
    BOOL isFloat = FALSE;
    float peak = 0.0f;
    bool processedSinceRead = false;
};

// The sample loop's read must be one plain 8-byte load, never a call into a
// runtime lock.
static_assert(std::atomic<double>::is_always_lock_free);
static_assert(std::atomic<float>::is_always_lock_free);

extern SharedGainState g_sharedGainState;

constexpr float kDefaultGainDb = -0.131f;

// The gain the user last applied; false, with *gainDb untouched, when there
// is none to read.
bool ReadStoredGainDb(float* gainDb);
// Stores gainDb for the next load, creating the settings key if need be.
void WriteStoredGainDb(float gainDb);

}  // namespace gainlet
