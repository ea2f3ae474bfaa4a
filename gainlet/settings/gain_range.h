// The gains the settings page lets the user apply, in dB.
#pragma once

namespace gainlet {

constexpr float kLowestGainDb = -100.0f;
constexpr float kHighestGainDb = 24.0f;

}  // namespace gainlet
