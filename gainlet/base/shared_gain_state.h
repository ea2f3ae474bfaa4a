// The process-wide gain, meter and published input format that every DSP
// object of the process shares.
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <cstddef>

#include "settings_key.h"

namespace gainlet {

// A plain global record, zero-filled before use. Field order is part of the
// design: linearGain is 8-byte aligned so that the sample loop reads it in
// one access without the lock.
struct SharedGainState {
    double dbToExponent;    // log10(2) / 6
    double exponentToDb;    // 6 / log10(2)
    CRITICAL_SECTION lock;  // leaf lock: guards everything below
    alignas(8) double linearGain;
    float gainDb;
    DWORD samplesPerSec;
    DWORD bitsPerSample;
    DWORD channels;
    BOOL isFloat;
    float peak;
    bool processedSinceRead;

    // Module start: zero, create the lock, compute the factors and read the
    // persisted gain from HKCU. Module end: delete the lock.
    void Load();
    void Unload();

    // No lock. The bits as stored, also a signalling NaN's: a float returned
    // by value travels through the x87 stack on i686, which would quiet it.
    void ReadGainDb(float* out) const;
    double LinearGain() const;                       // no lock, one aligned 8-byte read
    void SetGain(float gainDb);                      // locked
    void PublishFormat(const WAVEFORMATEX* format);  // locked; format block of an accepted input type
    void ReadFormat(DWORD* samplesPerSec, DWORD* channels, DWORD* bitsPerSample,
                    BOOL* isFloat);                            // locked; each pointer optional
    void UpdateMeter(float runPeak);                           // locked
    void ReadMeter(BOOL reset, float* peak, BOOL* processed);  // locked
};

// The processor makes an 8-byte read indivisible only at an 8-byte aligned
// address; elsewhere the lock-free reader could pair halves of an old and a
// new gain.
static_assert(alignof(SharedGainState) % 8 == 0);
static_assert(offsetof(SharedGainState, linearGain) % 8 == 0);

extern SharedGainState g_sharedGainState;

constexpr float kDefaultGainDb = -0.131f;

// The gain the user last applied; false, with *gainDb untouched, when there
// is none to read.
bool ReadStoredGainDb(float* gainDb);

}  // namespace gainlet
