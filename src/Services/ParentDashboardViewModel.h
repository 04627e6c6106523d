#pragma once

#include "Protocol/DeviceRecords.h"
#include "Protocol/UnlockRecords.h"
#include "Services/ViewModelSupport.h"

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class RemoteBackendConfig;

// What the parent dashboard shows, and its watch for new unlock requests. The host (the home
// screen) owns the child list and the pending requests and passes them in with the setters; the
// dashboard asks the host to refresh through `refreshRequested()`.
class ParentDashboardViewModel final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(
        bool isLoadingChildDevices READ isLoadingChildDevices WRITE setLoadingChildDevices NOTIFY changed)
    Q_PROPERTY(bool isWatching READ isWatching NOTIFY watchingChanged)

public:
    // Posts the "more requests" notification; the default is MacParentUnlockNotifier::notify,
    // which lives with the views, so the home panel installs it.
    using Notify = std::function<QCoro::Task<void>(qint64 count)>;

    explicit ParentDashboardViewModel(RemoteBackendConfig& config, QObject* parent = nullptr);
    ~ParentDashboardViewModel() override;

    RemoteBackendConfig& backendConfig() const { return m_config; }

    QList<DeviceListItem> childDevices() const { return m_childDevices; }
    std::optional<QString> childDevicesError() const { return m_childDevicesError; }
    bool isLoadingChildDevices() const { return m_isLoadingChildDevices; }
    QList<UnlockRequest> homePendingUnlockRequests() const { return m_homePendingUnlockRequests; }
    void setChildDevices(const QList<DeviceListItem>& devices)
    {
        ViewModelSupport::setAndNotify(this, m_childDevices, devices, &ParentDashboardViewModel::changed);
    }
    void setChildDevicesError(const std::optional<QString>& error)
    {
        ViewModelSupport::setAndNotify(this, m_childDevicesError, error, &ParentDashboardViewModel::changed);
    }
    void setLoadingChildDevices(bool loading)
    {
        ViewModelSupport::setAndNotify(this, m_isLoadingChildDevices, loading,
                                       &ParentDashboardViewModel::changed);
    }
    void setHomePendingUnlockRequests(const QList<UnlockRequest>& requests)
    {
        ViewModelSupport::setAndNotify(this, m_homePendingUnlockRequests, requests,
                                       &ParentDashboardViewModel::changed);
    }

    // The devices listed on the card: those whose role is exactly "child", in list order.
    QList<DeviceListItem> children() const;
    bool hasPendingUnlockRequest(const QString& deviceID) const;
    // Listed devices with at least one pending request; several requests of one child count once.
    static int childrenWithRequests(const QList<DeviceListItem>& devices,
                                    const QList<UnlockRequest>& requests);
    QString statusHeadline() const;

    // The watch polls the family's pending requests while the dashboard exists and is not itself
    // hidden (a minimised window keeps it); the first successful poll only sets the baseline,
    // only a rise notifies, and any change asks the host to refresh its lists.
    void startWatching();
    void stopWatching();
    bool isWatching() const { return m_watching; }
    // A poll may still be waiting for the server after the watch stopped; its answer is ignored.
    bool isPolling() const { return m_pollsInFlight > 0; }
    void setNotify(Notify notify) { m_notify = std::move(notify); }
    // 20 s in the product; tests shorten it, in process with the setter or, for a whole
    // application, with the settings key (which can only shorten it, see ShortenedPeriod).
    void setWatchPeriod(std::chrono::milliseconds period) { m_watchPeriod = period; }
    std::chrono::milliseconds watchPeriod() const { return m_watchPeriod; }

    static constexpr std::chrono::milliseconds defaultWatchPeriod { 20'000 };
    static inline const QString watchPeriodKey = QStringLiteral("parentDashboard.watchPeriodSeconds");

signals:
    void changed();
    void watchingChanged();
    // After each successful poll of the watch, with the number of pending requests.
    void watchPolled(qint64 count);
    void refreshRequested();

private:
    QCoro::Task<> poll(quint64 generation);

    RemoteBackendConfig& m_config;
    QList<DeviceListItem> m_childDevices;
    std::optional<QString> m_childDevicesError;
    bool m_isLoadingChildDevices = false;
    QList<UnlockRequest> m_homePendingUnlockRequests;

    Notify m_notify;
    std::chrono::milliseconds m_watchPeriod = defaultWatchPeriod;
    QTimer m_watchTimer;
    bool m_watching = false;
    // Each start begins a new watch; a poll of an older one finishing late changes nothing.
    quint64 m_generation = 0;
    qint64 m_lastCount = -1;
    int m_pollsInFlight = 0;
};
