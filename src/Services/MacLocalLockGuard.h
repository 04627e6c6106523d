#pragma once

#include "Services/MacLockWarnings.h"
#include "Services/MacPolicyExecutor.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class Clock;
class MacAppSelectionStore;
class MacLockOverlayTarget;
class MacUsageMonitorService;
class RemoteBackendConfig;
class ScreenTimePolicyStore;
class SystemNotifications;
class UserDefaults;

// Enforces the stored rules on a bound child computer without the family server: every half
// minute, and after every counted step of the usage monitor, it takes the lock decision over the
// stored policy and today's count and drives the overlay through the synchronisation's own path.
// It acts only when its answer changes, so it never lifts a lock it did not itself see (see
// docs/DESIGN.md, "Local lock guard"). It also starts the usage monitor when a start-up found no
// server, gives the warnings before a lock, and says why the applications are gone when an
// eye-rest break begins.
class MacLocalLockGuard final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::seconds period { 30 };

    MacLocalLockGuard(RemoteBackendConfig& backendConfig, ScreenTimePolicyStore& policyStore,
                      MacAppSelectionStore& appSelectionStore, MacUsageMonitorService& usageMonitor,
                      MacLockOverlayTarget& overlay, SystemNotifications& notifications,
                      UserDefaults& defaults, const Clock& clock, QObject* parent = nullptr);
    // Shows a warning above every window; set by the application (a view). Without it only the
    // system notification is posted.
    std::function<void(const QString&)> presentBanner;

    void start();
    void stop();
    bool isRunning() const { return m_timer.isActive(); }
    const QTimer& timer() const { return m_timer; }

    // One look: what the timer and each counted step run.
    void evaluate();

    // The answer of the last look, if any (a look on a computer that is not a bound child gives
    // none).
    std::optional<MacPolicyExecutor::LockDecision> lastDecision() const { return m_lastDecision; }

signals:
    void warned(MacLockWarnings::Kind kind, const QString& text);

private:
    void look(bool noteClock);
    void warnIfDue(const ScreenTimePolicy& policy, const MacPolicyExecutor::LockDecision& decision);
    void announceBreak(const ScreenTimePolicy& policy);
    void warn(MacLockWarnings::Kind kind, const QString& text);

    QPointer<RemoteBackendConfig> m_config;
    QPointer<ScreenTimePolicyStore> m_policyStore;
    QPointer<MacAppSelectionStore> m_selectionStore;
    QPointer<MacUsageMonitorService> m_monitor;
    const Clock& m_clock;
    MacLockWarnings m_warnings;
    MacLockOverlayTarget& m_overlay;
    SystemNotifications& m_notifications;
    QTimer m_timer;
    std::optional<MacPolicyExecutor::LockDecision> m_lastDecision;
};
