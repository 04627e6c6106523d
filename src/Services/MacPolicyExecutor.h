#pragma once

#include "Models/ScreenTimePolicy.h"

#include <QObject>
#include <QString>

#include <optional>

class Clock;

// Decides, from the policy and today's counted minutes, whether the controlled applications of
// a child computer must be locked now, and why.
namespace MacPolicyExecutor {
Q_NAMESPACE

enum class LockReason
{
    forceLocked,
    blockedPeriod,
    dailyLimit,
    eyeRest
};
Q_ENUM_NS(LockReason)

QString rawValue(LockReason reason);
std::optional<LockReason> lockReasonFromRawValue(const QString& rawValue);

struct LockDecision
{
    bool locked = false;
    std::optional<LockReason> reason; // present exactly when locked

    friend bool operator==(const LockDecision&, const LockDecision&) = default;
};

// Rules, first match wins: a temporary unlock still running, the immediate lock, the blocked
// period, the daily limit.
LockDecision shouldBeLocked(const ScreenTimePolicy& policy, qint64 todayUsageMinutes);
LockDecision shouldBeLocked(const ScreenTimePolicy& policy, qint64 todayUsageMinutes, const Clock& clock);

// Minutes since local midnight of a wall-clock time, saturating instead of overflowing for
// hours and minutes far outside their ranges (such a time simply never or always matches).
qint64 minuteOfDay(qint64 hour, qint64 minute);

bool isInBlockedPeriod(const ScreenTimePolicy& policy, const Clock& clock);

} // namespace MacPolicyExecutor
