#pragma once

#include "Protocol/DeviceRecords.h"
#include "Protocol/UnlockRecords.h"
#include "Services/ViewModelSupport.h"

#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class MacAppSelectionStore;
class MacLockOverlayTarget;
class MacUnlockRequestState;
class RemoteBackendConfig;
class ScreenTimePolicyStore;

// The state and the actions of the home screen: the family's devices and pending requests on a
// parent computer, the two ways out of a lock on a child computer, renaming a child, and the
// hidden self-check behind five quick taps on the header.
class ContentViewModel final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<DeviceListItem> childDevices READ childDevices NOTIFY childDevicesChanged)
    Q_PROPERTY(
        std::optional<QString> childDevicesError READ childDevicesError NOTIFY childDevicesErrorChanged)
    Q_PROPERTY(bool isLoadingChildDevices READ isLoadingChildDevices NOTIFY isLoadingChildDevicesChanged)
    Q_PROPERTY(bool isDiagnosticsVisible READ isDiagnosticsVisible WRITE setDiagnosticsVisible NOTIFY
                   isDiagnosticsVisibleChanged)
    Q_PROPERTY(QString diagnosticsMessage READ diagnosticsMessage NOTIFY diagnosticsMessageChanged)
    Q_PROPERTY(int hiddenTapCount READ hiddenTapCount NOTIFY hiddenTapCountChanged)
    Q_PROPERTY(std::optional<QString> unlockRequestMessage READ unlockRequestMessage NOTIFY
                   unlockRequestMessageChanged)
    Q_PROPERTY(bool isShowingUnlockRequestAlert READ isShowingUnlockRequestAlert WRITE
                   setShowingUnlockRequestAlert NOTIFY isShowingUnlockRequestAlertChanged)

public:
    // `todayUsageMinutes` gives today's counted minutes (the usage monitor's), for the lock
    // decision after a local unlock.
    ContentViewModel(MacLockOverlayTarget& overlay, MacUnlockRequestState& unlockRequests,
                     std::function<qint64()> todayUsageMinutes, QObject* parent = nullptr);

    QList<DeviceListItem> childDevices() const { return m_childDevices; }
    std::optional<QString> childDevicesError() const { return m_childDevicesError; }
    bool isLoadingChildDevices() const { return m_isLoadingChildDevices; }
    QList<UnlockRequest> homePendingUnlockRequests() const { return m_homePendingUnlockRequests; }
    bool isDiagnosticsVisible() const { return m_isDiagnosticsVisible; }
    void setDiagnosticsVisible(bool visible)
    {
        ViewModelSupport::setAndNotify(this, m_isDiagnosticsVisible, visible,
                                       &ContentViewModel::isDiagnosticsVisibleChanged);
    }
    QString diagnosticsMessage() const { return m_diagnosticsMessage; }
    int hiddenTapCount() const { return m_hiddenTapCount; }
    std::optional<QDateTime> lastHiddenTapTime() const { return m_lastHiddenTapTime; }
    std::optional<QString> unlockRequestMessage() const { return m_unlockRequestMessage; }
    bool isShowingUnlockRequestAlert() const { return m_isShowingUnlockRequestAlert; }
    void setShowingUnlockRequestAlert(bool showing)
    {
        ViewModelSupport::setAndNotify(this, m_isShowingUnlockRequestAlert, showing,
                                       &ContentViewModel::isShowingUnlockRequestAlertChanged);
    }
    std::optional<DeviceListItem> devicePendingRename() const { return m_devicePendingRename; }
    void setDevicePendingRename(const std::optional<DeviceListItem>& device)
    {
        ViewModelSupport::setAndNotify(this, m_devicePendingRename, device,
                                       &ContentViewModel::devicePendingRenameChanged);
    }

    QCoro::Task<> refreshChildDevicesForHome(RemoteBackendConfig& backendConfig);
    bool hasPendingUnlockRequest(const QString& deviceId) const;
    QCoro::Task<> handleUnlockRequest(RemoteBackendConfig& backendConfig);
    // The local part is done before this returns; the task that comes back is the upload.
    QCoro::Task<> handleLocalUnlock(ScreenTimePolicyStore& policyStore,
                                    MacAppSelectionStore& appSelectionStore,
                                    RemoteBackendConfig& backendConfig);
    QCoro::Task<> saveRenamedChildDevice(DeviceListItem device, QString draft,
                                         RemoteBackendConfig& backendConfig);
    void runDiagnostics(const RemoteBackendConfig& backendConfig,
                        const MacAppSelectionStore& appSelectionStore);
    // One tap on the header; the fifth within 1.2 s of each other runs the self-check.
    void registerHiddenTap(const RemoteBackendConfig& backendConfig,
                           const MacAppSelectionStore& appSelectionStore);

    static constexpr qint64 hiddenTapWindowMs = 1200;
    static constexpr int localUnlockMinutes = 15;

signals:
    void childDevicesChanged();
    void childDevicesErrorChanged();
    void isLoadingChildDevicesChanged();
    void homePendingUnlockRequestsChanged();
    void isDiagnosticsVisibleChanged();
    void diagnosticsMessageChanged();
    void hiddenTapCountChanged();
    void unlockRequestMessageChanged();
    void isShowingUnlockRequestAlertChanged();
    void devicePendingRenameChanged();

private:
    void setChildDevicesError(const std::optional<QString>& error)
    {
        ViewModelSupport::setAndNotify(this, m_childDevicesError, error,
                                       &ContentViewModel::childDevicesErrorChanged);
    }
    void setLoading(bool loading)
    {
        ViewModelSupport::setAndNotify(this, m_isLoadingChildDevices, loading,
                                       &ContentViewModel::isLoadingChildDevicesChanged);
    }
    void setLists(const QList<DeviceListItem>& devices, const QList<UnlockRequest>& requests);
    void setHiddenTapCount(int count)
    {
        ViewModelSupport::setAndNotify(this, m_hiddenTapCount, count,
                                       &ContentViewModel::hiddenTapCountChanged);
    }

    MacLockOverlayTarget& m_overlay;
    MacUnlockRequestState& m_unlockRequests;
    std::function<qint64()> m_todayUsageMinutes;
    QList<DeviceListItem> m_childDevices;
    std::optional<QString> m_childDevicesError;
    bool m_isLoadingChildDevices = false;
    QList<UnlockRequest> m_homePendingUnlockRequests;
    bool m_isDiagnosticsVisible = false;
    QString m_diagnosticsMessage;
    int m_hiddenTapCount = 0;
    std::optional<QDateTime> m_lastHiddenTapTime;
    std::optional<QString> m_unlockRequestMessage;
    bool m_isShowingUnlockRequestAlert = false;
    std::optional<DeviceListItem> m_devicePendingRename;
};
