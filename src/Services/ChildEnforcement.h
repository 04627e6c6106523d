#pragma once

#include "Models/RemoteDeviceRole.h"
#include "Platform/HostPlatform.h"
#include "Protocol/DeviceRecords.h"
#include "Services/MacRemotePolicySyncService.h"

#include <QCoroTask>
#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>

class Clock;
class MacAppSelectionStore;
class MacLocalLockGuard;
class MacLockOverlayTarget;
class MacUsageMonitorService;
class RemoteBackendConfig;
class ScreenTimePolicyStore;
class UserDefaults;

// The one owner of a child computer's enforcement: the synchronisation loop, the usage counting
// and the local lock guard run exactly while this computer is a child bound to its family, and
// start or stop the moment the role or the binding changes, not at the next start.
//
// Whenever the family server answers, its device list is the word on this computer: a device it
// lists as a child is a child whatever the settings file says (the difference is kept for the
// next health report), and a child it no longer lists has been removed by a parent, so the
// binding is cleared and enforcement ends. Offline, the stored role and rules apply.
class ChildEnforcement final : public QObject
{
    Q_OBJECT

public:
    ChildEnforcement(RemoteBackendConfig& backendConfig, ScreenTimePolicyStore& policyStore,
                     MacAppSelectionStore& appSelectionStore, MacUsageMonitorService& usageMonitor,
                     MacLockOverlayTarget& overlay, HostPlatform platform, UserDefaults& defaults,
                     const Clock& clock, QObject* parent = nullptr);
    ~ChildEnforcement() override;

    // Shows a warning above every window (set by the application, a view).
    void setBannerPresenter(std::function<void(const QString&)> present);

    // Follows the role and the binding from now on, and asks the server at once.
    void start();
    bool isEnforcing() const { return m_enforcing; }
    MacLocalLockGuard* localGuard() const { return m_guard; }
    // Loops of this process that have not yet ended (one whose owner went ends at its next step).
    static int liveLoops();

    // Set while the settings file said otherwise than the family server; reported with health.
    static inline const QString& settingsChangedKey = MacRemotePolicySyncService::settingsChangedKey;

    // What the family server says about this computer.
    enum class ServerWord
    {
        unchanged,
        // Listed as a child while this computer thought otherwise: it is a child again.
        roleRestored,
        // A child that is no longer listed.
        removed
    };
    // The rule, apart from the network: this device's entry among those the server gave (none:
    // the server no longer knows it).
    static ServerWord judge(const QString& deviceID, RemoteDeviceRole localRole,
                            const QList<DeviceListItem>& devices);

signals:
    void enforcingChanged();
    // A parent removed this computer from the family; the binding is already cleared.
    void deviceRemoved();

private:
    void follow();
    void begin();
    void end();
    void adopt(ServerWord word);
    static QCoro::Task<> loop(QPointer<ChildEnforcement> self, QPointer<QObject> run);
    static QCoro::Task<> askServer(QPointer<ChildEnforcement> self);
    QString bindingState() const;

    RemoteBackendConfig& m_config;
    ScreenTimePolicyStore& m_policyStore;
    MacAppSelectionStore& m_selectionStore;
    MacUsageMonitorService& m_monitor;
    UserDefaults& m_defaults;
    const Clock& m_clock;
    std::function<void(const QString&)> m_presentBanner;
    MacLockOverlayTarget& m_overlay;
    HostPlatform m_platform;
    MacLocalLockGuard* m_guard = nullptr;
    // Lives while this computer is bound; the loop that belongs to it ends when it goes.
    QObject* m_run = nullptr;
    QString m_followed;
    QString m_followedDeviceID;
    bool m_enforcing = false;
    bool m_started = false;
};
