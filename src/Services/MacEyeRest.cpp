#include "Services/MacEyeRest.h"

#include "Models/L10n.h"
#include "Platform/Clock.h"
#include "Services/MacLockShield.h"

#include <limits>

namespace MacEyeRest {

namespace {
// Minutes to seconds without overflow; absurd settings saturate and simply never fire.
qint64 seconds(qint64 minutes)
{
    qint64 result = 0;
    return __builtin_mul_overflow(minutes, qint64 { 60 }, &result) ? std::numeric_limits<qint64>::max()
                                                                   : result;
}
} // namespace

bool isDue(const ScreenTimePolicy& policy, const Stretch& stretch, const QDateTime& now)
{
    if (policy.eyeRestIntervalMinutes <= 0 || policy.eyeRestRestMinutes <= 0 || !stretch.lastCountedAt) {
        return false;
    }
    if (stretch.continuousUseSeconds < seconds(policy.eyeRestIntervalMinutes)) {
        return false;
    }
    // The break lasts until the controlled applications have been left alone for its length.
    return stretch.lastCountedAt->secsTo(now) < seconds(policy.eyeRestRestMinutes);
}

std::optional<qint64> secondsOfUseLeft(const ScreenTimePolicy& policy, const Stretch& stretch,
                                       const QDateTime& now)
{
    if (policy.eyeRestIntervalMinutes <= 0 || policy.eyeRestRestMinutes <= 0 || !stretch.lastCountedAt
        || stretch.lastCountedAt->secsTo(now) >= seconds(policy.eyeRestRestMinutes)) {
        return std::nullopt;
    }
    const qint64 left = seconds(policy.eyeRestIntervalMinutes) - stretch.continuousUseSeconds;
    return left > 0 ? std::optional<qint64>(left) : std::nullopt;
}

std::optional<qint64> secondsOfBreakLeft(const ScreenTimePolicy& policy, const Stretch& stretch,
                                         const QDateTime& now)
{
    if (!isDue(policy, stretch, now)) {
        return std::nullopt;
    }
    return seconds(policy.eyeRestRestMinutes) - std::max<qint64>(0, stretch.lastCountedAt->secsTo(now));
}

QString breakStatusText(const ScreenTimePolicy& policy, qint64 secondsLeft)
{
    // Rounded up without an addition that an absurd break length could overflow.
    const qint64 left = std::max<qint64>(0, secondsLeft);
    const qint64 minutesLeft = left / 60 + (left % 60 != 0 ? 1 : 0);
    return MacLockShield::reasonText(MacPolicyExecutor::LockReason::eyeRest, policy) + u'\n'
        + L10n::format(L10n::localized("休息还剩 %d 分钟"), { minutesLeft });
}

MacPolicyExecutor::LockDecision withEyeRest(const MacPolicyExecutor::LockDecision& decision,
                                            const ScreenTimePolicy& policy, const Stretch& stretch,
                                            const Clock& clock)
{
    if (decision.locked) {
        return decision;
    }
    const auto now = clock.now();
    if (policy.unlockUntil && now < *policy.unlockUntil) {
        return decision;
    }
    if (isDue(policy, stretch, now)) {
        return { true, MacPolicyExecutor::LockReason::eyeRest };
    }
    return decision;
}

} // namespace MacEyeRest
