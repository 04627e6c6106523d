#include "Services/MacEyeRest.h"

#include "Platform/Clock.h"

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
