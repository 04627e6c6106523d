#include "Services/MacLockEnforcement.h"

#include "Platform/Clock.h"
#include "Services/MacEyeRest.h"
#include "Services/MacLockOverlayTarget.h"
#include "Services/MacLockShield.h"
#include "Services/MacUsageMonitorService.h"

#include <QTimer>

namespace MacLockEnforcement {

namespace {
// The tolerance of the usage monitor's own guard against a clock set back.
constexpr qint64 rollbackToleranceMs = 120'000;

class FixedClock final : public Clock
{
public:
    FixedClock(QDateTime now, QTimeZone zone)
        : m_now(std::move(now))
        , m_zone(std::move(zone))
    {
    }
    QDateTime now() const override { return m_now; }
    QTimeZone timeZone() const override { return m_zone; }

private:
    QDateTime m_now;
    QTimeZone m_zone;
};
} // namespace

QDateTime trustedNow(const MacUsageMonitorService& monitor, const Clock& clock)
{
    const auto now = clock.now();
    const auto latestMs = qint64(monitor.maxSeenUnix() * 1000.0);
    if (latestMs > 0 && now.toMSecsSinceEpoch() + rollbackToleranceMs < latestMs) {
        return QDateTime::fromMSecsSinceEpoch(latestMs, now.timeZone());
    }
    return now;
}

MacPolicyExecutor::LockDecision decide(const ScreenTimePolicy& policy, const MacUsageMonitorService& monitor,
                                       const Clock& clock)
{
    const FixedClock at(trustedNow(monitor, clock), clock.timeZone());
    const auto base = MacPolicyExecutor::shouldBeLocked(policy, monitor.todayUsageMinutes(), at);
    const MacEyeRest::Stretch stretch { monitor.continuousUseSeconds(), monitor.lastCountedAt() };
    return MacEyeRest::withEyeRest(base, policy, stretch, at);
}

void apply(const MacPolicyExecutor::LockDecision& decision, const ScreenTimePolicy& policy,
           const MacSelectionPayload& selection, MacLockOverlayTarget* overlay, QObject* context)
{
    if (!overlay) {
        return;
    }
    QTimer::singleShot(0, context, [overlay, decision, policy, selection] {
        switch (MacLockShield::actionFor(decision)) {
        case MacLockShield::OverlayAction::hide:
            overlay->hide();
            break;
        case MacLockShield::OverlayAction::showOverlay:
            overlay->setShieldTargets(selection);
            overlay->show(*decision.reason, policy);
            break;
        case MacLockShield::OverlayAction::appBlock:
            overlay->setShieldTargets(selection);
            overlay->beginAppBlock();
            break;
        }
    });
}

} // namespace MacLockEnforcement
