#include "Services/MacPolicyExecutor.h"

#include "Models/EnumNames.h"
#include "Platform/Clock.h"

#include <limits>

namespace MacPolicyExecutor {

QString rawValue(LockReason reason)
{
    return enumName(reason);
}

std::optional<LockReason> lockReasonFromRawValue(const QString& rawValue)
{
    return enumFromName<LockReason>(rawValue);
}

qint64 minuteOfDay(qint64 hour, qint64 minute)
{
    constexpr auto maximum = std::numeric_limits<qint64>::max();
    constexpr auto minimum = std::numeric_limits<qint64>::min();
    qint64 hourMinutes = 0;
    if (__builtin_mul_overflow(hour, qint64 { 60 }, &hourMinutes)) {
        return hour > 0 ? maximum : minimum;
    }
    qint64 total = 0;
    if (__builtin_add_overflow(hourMinutes, minute, &total)) {
        return minute > 0 ? maximum : minimum;
    }
    return total;
}

bool isInBlockedPeriod(const ScreenTimePolicy& policy, const Clock& clock)
{
    const auto localTime = clock.localNow().time();
    const auto now = minuteOfDay(localTime.hour(), localTime.minute());
    const auto start
        = minuteOfDay(policy.blockedStart.hour.value_or(20), policy.blockedStart.minute.value_or(0));
    const auto end = minuteOfDay(policy.blockedEnd.hour.value_or(8), policy.blockedEnd.minute.value_or(0));
    if (end >= start) {
        return start <= now && now < end;
    }
    return now >= start || now < end;
}

LockDecision shouldBeLocked(const ScreenTimePolicy& policy, qint64 todayUsageMinutes)
{
    return shouldBeLocked(policy, todayUsageMinutes, Clock::current());
}

LockDecision shouldBeLocked(const ScreenTimePolicy& policy, qint64 todayUsageMinutes, const Clock& clock)
{
    const auto now = clock.now();
    if (policy.unlockUntil && now < *policy.unlockUntil) {
        return {};
    }
    if (policy.forceLocked) {
        return { true, LockReason::forceLocked };
    }
    if (isInBlockedPeriod(policy, clock)) {
        return { true, LockReason::blockedPeriod };
    }
    if (policy.dailyLimitMinutes <= todayUsageMinutes) {
        return { true, LockReason::dailyLimit };
    }
    return {};
}

} // namespace MacPolicyExecutor
