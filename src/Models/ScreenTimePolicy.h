#pragma once

#include "Models/DateComponents.h"
#include "Models/ScreenTimePolicyDefaults.h"

#include <QDateTime>
#include <QMetaType>

#include <optional>

// The complete rule set that a child computer enforces.
struct ScreenTimePolicy
{
    qint64 dailyLimitMinutes = ScreenTimePolicyDefaults::dailyLimitMinutes;
    DateComponents blockedStart = ScreenTimePolicyDefaults::blockedStart();
    DateComponents blockedEnd = ScreenTimePolicyDefaults::blockedEnd();
    bool forceLocked = false;
    // While in the future, a temporary unlock that overrides every lock reason.
    std::optional<QDateTime> unlockUntil;
    qint64 eyeRestIntervalMinutes = ScreenTimePolicyDefaults::eyeRestIntervalMinutes;
    qint64 eyeRestRestMinutes = ScreenTimePolicyDefaults::eyeRestRestMinutes;

    friend bool operator==(const ScreenTimePolicy&, const ScreenTimePolicy&) = default;
};

Q_DECLARE_METATYPE(ScreenTimePolicy)
