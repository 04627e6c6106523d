#pragma once

#include "Models/DateComponents.h"

// The default nightly blocked period, 20:00 to 08:00.
namespace ScreenTimePolicyDefaults {

inline constexpr qint64 dailyLimitMinutes = 120;
inline constexpr qint64 eyeRestIntervalMinutes = 45;
inline constexpr qint64 eyeRestRestMinutes = 15;

const DateComponents& blockedStart();
const DateComponents& blockedEnd();

} // namespace ScreenTimePolicyDefaults
