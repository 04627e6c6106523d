#pragma once

#include "Services/ViewModelSupport.h"

#include <QCoroTask>
#include <QDateTime>
#include <QObject>
#include <QString>

#include <optional>

class RemoteAPIClient;
class RemoteBackendConfig;

// "邀请另一台家长电脑": asks the family server for a one-time code with which one more parent
// computer may join this family, and says until when it holds.
class MacParentInvitationViewModel final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString invitationCode READ invitationCode NOTIFY changed)
    Q_PROPERTY(bool isBusy READ isBusy NOTIFY changed)

public:
    explicit MacParentInvitationViewModel(RemoteBackendConfig& config, QObject* parent = nullptr);

    QString invitationCode() const { return m_invitationCode; }
    std::optional<QDateTime> expiresAt() const { return m_expiresAt; }
    // "有效期至 HH:mm，仅可使用一次" in local time, or empty while there is no code.
    QString expiryText() const;
    std::optional<QString> errorMessage() const { return m_errorMessage; }
    bool isBusy() const { return m_isBusy; }

    // A new code replaces the one shown; a failure keeps it and says why.
    QCoro::Task<> create();

signals:
    void changed();

private:
    void setBusy(bool busy)
    {
        ViewModelSupport::setAndNotify(this, m_isBusy, busy, &MacParentInvitationViewModel::changed);
    }
    void setError(std::optional<QString> message)
    {
        ViewModelSupport::setAndNotify(this, m_errorMessage, std::move(message),
                                       &MacParentInvitationViewModel::changed);
    }
    // The happy path of `create`; what it throws becomes the message line.
    QCoro::Task<> createWith(const RemoteAPIClient& client, QString familyCode);

    RemoteBackendConfig& m_config;
    QString m_invitationCode;
    std::optional<QDateTime> m_expiresAt;
    std::optional<QString> m_errorMessage;
    bool m_isBusy = false;
};
