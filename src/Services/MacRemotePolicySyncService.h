#pragma once

#include <QCoroTask>
#include <QDateTime>
#include <QString>

#include <chrono>

class AppBundle;
class GuardInstaller;
class MacAppSelectionStore;
class MacLockOverlayTarget;
class MacUsageMonitorService;
class RemoteBackendConfig;
class ScreenTimePolicyStore;
class Workspace;

// Keeps a child computer in step with its family server: fetches the parent's policy, merges it
// into the local store, takes over a higher usage count, starts or stops the usage monitor,
// re-evaluates the lock and drives the overlay, and reports health, usage and usage sessions.
// Stateless: everything lives in the objects it is handed. Runs on the main thread; network
// waits suspend the cycle without blocking it.
namespace MacRemotePolicySyncService {

// Starts one loop (a cycle, then the polling period, again and again) and returns at once. The
// loop ends when one of the stores or the monitor goes away. Each call starts a further loop.
void startPolling(RemoteBackendConfig& backendConfig, ScreenTimePolicyStore& policyStore,
                  MacAppSelectionStore& appSelectionStore, MacUsageMonitorService& usageMonitor,
                  Workspace& workspace, const AppBundle& bundle);

// One cycle; never throws. The health report takes the system's version from `workspace`, the
// application's from `bundle` and the guard's state from `guardInstaller` (left out without
// one). Nothing is driven on screen without an overlay.
QCoro::Task<> syncIfChild(RemoteBackendConfig& backendConfig, ScreenTimePolicyStore& policyStore,
                          MacAppSelectionStore& appSelectionStore, MacUsageMonitorService& usageMonitor,
                          Workspace& workspace, const AppBundle& bundle,
                          MacLockOverlayTarget* overlay = nullptr,
                          const GuardInstaller* guardInstaller = nullptr);

// 45 seconds from the end of one cycle to the start of the next. Tests shorten it, in process
// with the setter or, for a whole application, with the settings key (which can only shorten it,
// see ShortenedPeriod), read when the loop starts.
std::chrono::milliseconds pollingPeriod();
inline const QString pollingPeriodKey = QStringLiteral("remotePolicySync.periodSeconds");
void setPollingPeriodForTesting(std::chrono::milliseconds period);

// Set by the enforcement when the settings file disagreed with the family server; reported
// with each health report while it stays set.
inline const QString settingsChangedKey = QStringLiteral("childEnforcement.settingsChanged");

// The end of the lift a parent standing beside this computer granted with the parent password.
// It holds here even where the family server keeps the parent's lock (a family whose rules only
// parent computers may write) and ends by itself. Kept in this process only: a value in the
// settings file would be a lift anyone with that file could write.
void setLocalUnlockUntil(const QDateTime& until);

} // namespace MacRemotePolicySyncService
