#pragma once

#include "Models/ScreenTimePolicy.h"
#include "Services/MacPolicyExecutor.h"

#include <QDateTime>

#include <optional>

class Clock;

// The eye-rest break: after `eyeRestIntervalMinutes` of unbroken counted use of controlled
// applications, a break of `eyeRestRestMinutes` during which they are blocked. Any pause of at
// least the break's length (no counted step) starts a new stretch, so a child who stops on their
// own is not blocked again.
//
// It is the last rule: it is asked only when the lock decision's own rules (temporary unlock,
// immediate lock, blocked period, daily limit) lock nothing, and a running temporary unlock
// overrides it like every other reason.
namespace MacEyeRest {

struct Stretch
{
    qint64 continuousUseSeconds = 0;
    std::optional<QDateTime> lastCountedAt;
};

bool isDue(const ScreenTimePolicy& policy, const Stretch& stretch, const QDateTime& now);

// While a stretch of use runs and no break is due: the seconds of use left before the break.
// Nothing when eye rest is off, nothing has been counted, or the stretch has ended by a pause.
std::optional<qint64> secondsOfUseLeft(const ScreenTimePolicy& policy, const Stretch& stretch,
                                       const QDateTime& now);
// While a break is due: the seconds until it ends (it ends once the controlled applications have
// been left alone for the break's length).
std::optional<qint64> secondsOfBreakLeft(const ScreenTimePolicy& policy, const Stretch& stretch,
                                         const QDateTime& now);
// The two lines the child sees while a break runs: its reason and the minutes left, rounded up.
QString breakStatusText(const ScreenTimePolicy& policy, qint64 secondsLeft);

// `decision` as MacPolicyExecutor::shouldBeLocked gave it, with the eye-rest rule after it.
MacPolicyExecutor::LockDecision withEyeRest(const MacPolicyExecutor::LockDecision& decision,
                                            const ScreenTimePolicy& policy, const Stretch& stretch,
                                            const Clock& clock);

} // namespace MacEyeRest
