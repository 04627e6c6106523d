#include "Services/MacRemotePolicySyncService.h"

#include "Models/EnumNames.h"
#include "Models/MacAppSelectionStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/AppBundle.h"
#include "Platform/Clock.h"
#include "Platform/UserDefaults.h"
#include "Platform/Workspace.h"
#include "Services/ChildGuardState.h"
#include "Services/MacLockEnforcement.h"
#include "Services/MacLockOverlayTarget.h"
#include "Services/MacUsageMonitorService.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/ShortenedPeriod.h"

#include <QCoroTimer>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace MacRemotePolicySyncService {

namespace {

std::chrono::milliseconds g_period { 45'000 };

// The server's day that it was seen to reach while this computer's day was still the one before.
// Until this computer has reported its own count on that day, the server's count of it is the
// count of this computer's previous day.
const QString serverDayAheadKey = u"vtl_usage_server_day_ahead"_s;

// Whether the server's count, which belongs to the server's `usageDate`, is a count of this
// computer's `localDay`. The server's day follows its own time zone: a server behind this
// computer still answers with yesterday just after this computer's midnight, and a server ahead
// has started this computer's next day while its evening was still being counted into it.
bool countsForLocalDay(UserDefaults& defaults, const std::optional<QString>& usageDate,
                       const QString& localDay)
{
    if (!usageDate) {
        return true; // a server that does not say its day is taken at its word
    }
    if (*usageDate > localDay) {
        defaults.setString(serverDayAheadKey, *usageDate);
        return false;
    }
    return *usageDate == localDay && defaults.string(serverDayAheadKey) != localDay;
}

ScreenTimePolicy receivedPolicy(const PolicyPayload& payload)
{
    ScreenTimePolicy policy;
    policy.dailyLimitMinutes = payload.dailyLimitMinutes;
    policy.blockedStart = { payload.blockedStart.hour, payload.blockedStart.minute };
    policy.blockedEnd = { payload.blockedEnd.hour, payload.blockedEnd.minute };
    policy.forceLocked = payload.forceLocked.value_or(false);
    policy.unlockUntil = payload.unlockUntil;
    return policy; // eye-rest fields at the record's defaults
}

// The decision is the lock decision's, followed by the eye-rest rule, both over the
// merged policy (the received five fields and this computer's own eye-rest rhythm). The overlay
// is driven from the event loop, after the cycle has moved on. The local lock guard goes through
// the same two calls.
void applyPolicy(const ScreenTimePolicy& policy, const MacSelectionPayload& selection,
                 MacUsageMonitorService& usageMonitor, MacLockOverlayTarget* overlay)
{
    const auto decision = MacLockEnforcement::decide(policy, usageMonitor, Clock::current());
    MacLockEnforcement::apply(decision, policy, selection, overlay, &usageMonitor);
}

QCoro::Task<> reportUsageIfNeeded(RemoteAPIClient client, QString deviceID,
                                  QPointer<MacUsageMonitorService> monitor,
                                  QPointer<RemoteBackendConfig> config)
{
    const auto usageDay = Clock::current().localNow().date().toString(u"yyyy-MM-dd"_s);
    const auto countedDay = monitor->storedDay();
    try {
        auto report = client.reportTodayUsage(deviceID, monitor->todayUsageSeconds(), std::nullopt);
        co_await report;
    } catch (...) {
        co_return;
    }
    // The server's count of that day is now this computer's own.
    if (config && config->defaults().string(serverDayAheadKey) == countedDay) {
        config->defaults().removeObject(serverDayAheadKey);
    }
    if (!monitor) {
        co_return;
    }
    QList<QVariantMap> sessions;
    for (const auto& session : monitor->getTodaySessionsForReport()) {
        sessions.append(session.toMap());
    }
    if (sessions.isEmpty()) {
        co_return;
    }
    try {
        auto upload = client.upsertUsageSessions(deviceID, usageDay, u"mac"_s, sessions);
        co_await upload;
    } catch (...) {
        // The next cycle sends the day's whole list again.
    }
}

QDateTime g_localUnlockUntil;

QCoro::Task<> runCycle(QPointer<RemoteBackendConfig> config, QPointer<ScreenTimePolicyStore> policyStore,
                       QPointer<MacAppSelectionStore> selectionStore,
                       QPointer<MacUsageMonitorService> monitor, Workspace& workspace,
                       const AppBundle& bundle, MacLockOverlayTarget* overlay,
                       const GuardInstaller* guardInstaller)
{
    // Only a bound child synchronises; anything else has no rules to receive.
    if (config->role() != RemoteDeviceRole::child) {
        co_return;
    }
    const auto deviceID = config->deviceID();
    if (deviceID.isEmpty()) {
        co_return;
    }
    const auto made = RemoteAPIClient::make(*config);
    if (!made) {
        co_return;
    }
    const auto client = *made;
    // Read before the first wait: the cycle must not outlive what it was handed.
    const QString appVersion = bundle.shortVersion();
    const QString osVersion = workspace.osVersion();
    const auto enforcementMode = workspace.enforcementMode();

    // One immediate retry on a transient network failure: a brief drop must not cost a whole period.
    std::optional<DevicePolicyResponse> response;
    try {
        auto fetch = RemoteAPIClient::retryingOnceOnTransientError<DevicePolicyResponse>(
            [client, deviceID] { return client.fetchPolicy(deviceID); });
        response = co_await fetch;
    } catch (...) {
        co_return;
    }
    if (!policyStore || !selectionStore || !monitor) {
        co_return;
    }

    // The parent owns the five rule fields; the eye-rest rhythm stays this computer's.
    const auto received = receivedPolicy(response->policy);
    const QDateTime localLift = g_localUnlockUntil;
    policyStore->update([&received, &localLift](ScreenTimePolicy& stored) {
        stored.dailyLimitMinutes = received.dailyLimitMinutes;
        stored.blockedStart = received.blockedStart;
        stored.blockedEnd = received.blockedEnd;
        stored.forceLocked = received.forceLocked;
        stored.unlockUntil = received.unlockUntil;
        // A running unlock outranks the parent's lock, so the later of the two ends decides.
        if (localLift.isValid() && (!stored.unlockUntil || *stored.unlockUntil < localLift)) {
            stored.unlockUntil = localLift;
        }
    });

    // A higher count at the server is taken over when it is of this computer's day; a lower
    // one changes nothing.
    try {
        auto usage = client.fetchTodayUsage(deviceID);
        const auto remote = co_await usage;
        if (monitor && config) {
            monitor->resetDayIfNeeded();
            if (countsForLocalDay(config->defaults(), remote.usageDate, monitor->storedDay())) {
                monitor->raiseTodayUsage(remote.todayUsageSeconds);
            }
        }
    } catch (...) {
    }
    if (!policyStore || !selectionStore || !monitor) {
        co_return;
    }

    // The monitor follows the selection and the merged eye-rest break before the decision reads it.
    const auto selection = selectionStore->payload();
    monitor->resetDayIfNeeded();
    const auto merged = policyStore->policy();
    monitor->setEyeRestBreakSeconds(std::max<qint64>(0, merged.eyeRestRestMinutes) * 60);
    if (!selection.isEmpty()) {
        // A restart drops the step being measured (up to 6 s of use): only a changed selection
        // restarts the monitor, or a short polling period would starve the count.
        if (!monitor->isSampling(selection)) {
            monitor->start(selection);
        }
    } else {
        monitor->stop();
    }

    applyPolicy(merged, selection, *monitor, overlay);

    // A failed health report does not end the cycle: the usage report below still goes out.
    PutDeviceHealthPayload health;
    health.notificationsOk = true;
    health.usageAccessOk = true;
    health.overlayOk = true;
    // The guard is what a parent relies on against quitting: reported as it is, when known.
    const auto guard = guardInstaller ? std::optional(guardInstaller->state()) : std::nullopt;
    health.deviceAdminOk = !guard || *guard == ChildGuardState::State::running;
    if (guard) {
        health.guardState = ChildGuardState::rawValue(*guard);
    }
    health.platform = u"mac"_s;
    health.appVersion = appVersion;
    health.osVersion = osVersion;
    health.managedSelectionOk = !selection.isEmpty();
    if (enforcementMode) {
        health.enforcementMode = enumName(*enforcementMode);
    }
    // Set when the settings file was found disagreeing with the server's device list; kept
    // until the binding changes, so the parent sees it whenever the health is read.
    if (config->defaults().boolean(settingsChangedKey).value_or(false)) {
        health.settingsChanged = true;
    }
    try {
        auto put = client.putDeviceHealth(deviceID, health);
        co_await put;
    } catch (...) {
    }
    if (!monitor) {
        co_return;
    }

    auto report = reportUsageIfNeeded(client, deviceID, monitor, config);
    co_await report;
}

QCoro::Task<> pollingLoop(QPointer<RemoteBackendConfig> config, QPointer<ScreenTimePolicyStore> policyStore,
                          QPointer<MacAppSelectionStore> selectionStore,
                          QPointer<MacUsageMonitorService> monitor, Workspace& workspace,
                          const AppBundle& bundle, std::chrono::milliseconds period)
{
    while (config && policyStore && selectionStore && monitor) {
        auto cycle = syncIfChild(*config, *policyStore, *selectionStore, *monitor, workspace, bundle);
        co_await cycle;
        auto pause = QCoro::sleepFor(period);
        co_await pause;
    }
}

} // namespace

void setLocalUnlockUntil(const QDateTime& until)
{
    g_localUnlockUntil = until;
}

std::chrono::milliseconds pollingPeriod()
{
    return g_period;
}

void setPollingPeriodForTesting(std::chrono::milliseconds period)
{
    g_period = period;
}

QCoro::Task<> syncIfChild(RemoteBackendConfig& backendConfig, ScreenTimePolicyStore& policyStore,
                          MacAppSelectionStore& appSelectionStore, MacUsageMonitorService& usageMonitor,
                          Workspace& workspace, const AppBundle& bundle, MacLockOverlayTarget* overlay,
                          const GuardInstaller* guardInstaller)
{
    try {
        auto cycle = runCycle(&backendConfig, &policyStore, &appSelectionStore, &usageMonitor, workspace,
                              bundle, overlay, guardInstaller);
        co_await cycle;
    } catch (...) {
        // A cycle fails silently; the next one starts afresh.
    }
}

void startPolling(RemoteBackendConfig& backendConfig, ScreenTimePolicyStore& policyStore,
                  MacAppSelectionStore& appSelectionStore, MacUsageMonitorService& usageMonitor,
                  Workspace& workspace, const AppBundle& bundle)
{
    // Fire and forget: the loop owns itself and ends with the stores.
    const auto period = ShortenedPeriod::read(backendConfig.defaults(), pollingPeriodKey, g_period);
    pollingLoop(&backendConfig, &policyStore, &appSelectionStore, &usageMonitor, workspace, bundle, period);
}

} // namespace MacRemotePolicySyncService
