#include "Services/MacLocalLockGuard.h"

#include "Models/L10n.h"
#include "Models/MacAppSelectionStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/Clock.h"
#include "Platform/SystemNotifications.h"
#include "Services/MacLockEnforcement.h"
#include "Services/MacLockOverlayTarget.h"
#include "Services/MacUsageMonitorService.h"

#include <QUuid>

namespace {
QCoro::Task<> postNotification(SystemNotifications& center, QString body)
{
    auto authorise = center.requestAuthorization();
    co_await authorise;
    SystemNotifications::Request request;
    request.identifier = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    request.title = L10n::localized("岚哨");
    request.body = std::move(body);
    request.defaultSound = true;
    auto add = center.add(std::move(request));
    co_await add;
}
} // namespace

MacLocalLockGuard::MacLocalLockGuard(RemoteBackendConfig& backendConfig, ScreenTimePolicyStore& policyStore,
                                     MacAppSelectionStore& appSelectionStore,
                                     MacUsageMonitorService& usageMonitor, MacLockOverlayTarget& overlay,
                                     SystemNotifications& notifications, UserDefaults& defaults,
                                     const Clock& clock, QObject* parent)
    : QObject(parent)
    , m_config(&backendConfig)
    , m_policyStore(&policyStore)
    , m_selectionStore(&appSelectionStore)
    , m_monitor(&usageMonitor)
    , m_clock(clock)
    , m_warnings(defaults)
    , m_overlay(overlay)
    , m_notifications(notifications)
{
    m_timer.setInterval(period);
    connect(&m_timer, &QTimer::timeout, this, &MacLocalLockGuard::evaluate);
    // The step that reaches the limit locks at once, not at the next tick.
    connect(&usageMonitor, &MacUsageMonitorService::usageCounted, this, [this] {
        if (m_timer.isActive()) {
            look(false);
        }
    });
}

void MacLocalLockGuard::start()
{
    m_timer.start();
    evaluate();
}

void MacLocalLockGuard::stop()
{
    m_timer.stop();
}

void MacLocalLockGuard::evaluate()
{
    look(true);
}

void MacLocalLockGuard::look(bool noteClock)
{
    if (!m_config || !m_policyStore || !m_selectionStore || !m_monitor) {
        stop();
        return;
    }
    if (m_config->role() != RemoteDeviceRole::child || !m_config->isBoundToBackend()) {
        m_lastDecision.reset();
        return;
    }
    const auto selection = m_selectionStore->payload();
    // Started offline, no cycle has started the monitor; unplugging must not stop the counting.
    if (!selection.isEmpty() && !m_monitor->isRunning()) {
        m_monitor->start(selection);
    }
    if (noteClock) {
        m_monitor->resetDayIfNeeded(); // a counted step has just done it
    }
    const auto policy = m_policyStore->policy();
    m_monitor->setEyeRestBreakSeconds(std::max<qint64>(0, policy.eyeRestRestMinutes) * 60);

    const auto decision = MacLockEnforcement::decide(policy, *m_monitor, m_clock);
    if (decision != m_lastDecision) {
        m_lastDecision = decision;
        MacLockEnforcement::apply(decision, policy, selection, &m_overlay, this);
        if (decision.reason == MacPolicyExecutor::LockReason::eyeRest) {
            announceBreak(policy);
        }
    }
    if (!selection.isEmpty()) {
        warnIfDue(policy, decision);
    }
}

void MacLocalLockGuard::warnIfDue(const ScreenTimePolicy& policy,
                                  const MacPolicyExecutor::LockDecision& decision)
{
    const auto now = MacLockEnforcement::trustedNow(*m_monitor, m_clock).toTimeZone(m_clock.timeZone());
    for (const auto& warning : m_warnings.takeNew(policy, m_monitor->todayUsageSeconds(), now)) {
        warn(warning.kind, MacLockWarnings::text(warning, policy));
    }
    if (decision.locked) {
        return; // a break is only announced ahead while nothing else holds the applications
    }
    const MacEyeRest::Stretch stretch { m_monitor->continuousUseSeconds(), m_monitor->lastCountedAt() };
    if (const auto warning = m_warnings.takeEyeRest(policy, stretch, now)) {
        warn(warning->kind, MacLockWarnings::text(*warning, policy));
    }
}

void MacLocalLockGuard::announceBreak(const ScreenTimePolicy& policy)
{
    // The applications vanish without a window of ours: the banner says why, and for how long.
    const auto now = MacLockEnforcement::trustedNow(*m_monitor, m_clock);
    const MacEyeRest::Stretch stretch { m_monitor->continuousUseSeconds(), m_monitor->lastCountedAt() };
    const auto left = MacEyeRest::secondsOfBreakLeft(policy, stretch, now);
    if (left && presentBanner) {
        presentBanner(MacEyeRest::breakStatusText(policy, *left));
    }
}

void MacLocalLockGuard::warn(MacLockWarnings::Kind kind, const QString& text)
{
    // Notifications stay hidden behind a full-screen application; the banner does not.
    postNotification(m_notifications, text);
    if (presentBanner) {
        presentBanner(text);
    }
    emit warned(kind, text);
}
