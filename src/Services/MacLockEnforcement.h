#pragma once

#include "Models/MacSelectionPayload.h"
#include "Models/ScreenTimePolicy.h"
#include "Services/MacPolicyExecutor.h"

#include <QDateTime>

class Clock;
class MacLockOverlayTarget;
class MacUsageMonitorService;
class QObject;

// The one path from the stored rules to the screen, shared by the synchronisation and the local
// lock guard so that both always reach the same answer from the same state.
namespace MacLockEnforcement {

// The instant lock rules are judged at: the clock's, unless it stands more than 120 seconds
// behind the latest time the usage monitor has seen (a clock set back), in which case the latest
// time seen. Setting the clock back therefore neither ends a blocked period nor starts a day.
QDateTime trustedNow(const MacUsageMonitorService& monitor, const Clock& clock);

// The lock decision over the policy and the monitor's count, judged at `trustedNow`, followed by
// the eye-rest rule over the monitor's stretch.
MacPolicyExecutor::LockDecision decide(const ScreenTimePolicy& policy, const MacUsageMonitorService& monitor,
                                       const Clock& clock);

// Drives the overlay from the event loop (after the caller has moved on), bound to `context`:
// hide when not locked; otherwise the selection becomes the shield targets and the full lock is
// shown for the immediate lock, app blocking begins for every other reason.
void apply(const MacPolicyExecutor::LockDecision& decision, const ScreenTimePolicy& policy,
           const MacSelectionPayload& selection, MacLockOverlayTarget* overlay, QObject* context);

} // namespace MacLockEnforcement
