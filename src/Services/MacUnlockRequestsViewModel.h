#pragma once

#include "Protocol/UnlockRecords.h"
#include "Services/ViewModelSupport.h"

#include <QCoroTask>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class RemoteAPIClient;
class RemoteBackendConfig;

// The parent's review of the family's pending unlock requests, optionally narrowed to one child.
// Every state change emits `changed()`; the screen redraws from the getters.
class MacUnlockRequestsViewModel final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isLoading READ isLoading NOTIFY changed)
    Q_PROPERTY(QString extendMinutesInput READ extendMinutesInput WRITE setExtendMinutesInput NOTIFY changed)
    Q_PROPERTY(bool isShowingExtendSheet READ isShowingExtendSheet NOTIFY changed)

public:
    MacUnlockRequestsViewModel(RemoteBackendConfig& config, std::optional<QString> filterDeviceId,
                               QObject* parent = nullptr);

    std::optional<QString> filterDeviceId() const { return m_filterDeviceId; }
    bool isLoading() const { return m_isLoading; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    QList<UnlockRequest> requests() const { return m_requests; }
    QHash<QString, QString> deviceNameMap() const { return m_deviceNameMap; }
    std::optional<UnlockRequest> pendingRequest() const { return m_pendingRequest; }
    QString extendMinutesInput() const { return m_extendMinutesInput; }
    bool isShowingExtendSheet() const { return m_isShowingExtendSheet; }
    void setExtendMinutesInput(const QString& text)
    {
        ViewModelSupport::setAndNotify(this, m_extendMinutesInput, text,
                                       &MacUnlockRequestsViewModel::changed);
    }

    QList<UnlockRequest> visibleRequests() const;

    // The texts of one request's card and of the minutes sheet's device line.
    QString deviceLine(const UnlockRequest& request) const;
    std::optional<QString> reasonLine(const UnlockRequest& request) const;
    std::optional<QString> requestedMinutesLine(const UnlockRequest& request) const;
    QString sheetDeviceLine() const;

    QCoro::Task<> load();
    QCoro::Task<> decide(UnlockRequest request, QString action, std::optional<qint64> extendMinutesOverride);

    // "同意解锁": opens the minutes sheet for the request.
    void beginApproval(const UnlockRequest& request);
    // "取消" on the minutes sheet.
    void cancelApproval();
    // "确认并同意解锁": approves with the minutes typed, then closes the sheet whatever happened.
    QCoro::Task<> confirmApproval();

    // The minutes a typed text stands for: surrounding spaces and tabs ignored, anything but an
    // optionally signed decimal whole number means 15, and the result is held within 0…600.
    static qint64 extendMinutes(const QString& input);

    static constexpr qint64 defaultExtendMinutes = 15;
    static constexpr qint64 maximumExtendMinutes = 600;

signals:
    void changed();

private:
    void setError(std::optional<QString> message)
    {
        ViewModelSupport::setAndNotify(this, m_errorMessage, std::move(message),
                                       &MacUnlockRequestsViewModel::changed);
    }
    void setLoading(bool loading)
    {
        ViewModelSupport::setAndNotify(this, m_isLoading, loading, &MacUnlockRequestsViewModel::changed);
    }
    // The happy path of `load`; what it throws becomes the message line.
    QCoro::Task<> loadWith(const RemoteAPIClient& client, QString familyCode);

    RemoteBackendConfig& m_config;
    const std::optional<QString> m_filterDeviceId;
    bool m_isLoading = false;
    std::optional<QString> m_errorMessage;
    QList<UnlockRequest> m_requests;
    QHash<QString, QString> m_deviceNameMap;
    std::optional<UnlockRequest> m_pendingRequest;
    QString m_extendMinutesInput = QStringLiteral("15");
    bool m_isShowingExtendSheet = false;
};
