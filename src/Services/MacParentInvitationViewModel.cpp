#include "Services/MacParentInvitationViewModel.h"

#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/Network/RemoteAPIClient.h"

#include <QPointer>

MacParentInvitationViewModel::MacParentInvitationViewModel(RemoteBackendConfig& config, QObject* parent)
    : QObject(parent)
    , m_config(config)
{
}

QString MacParentInvitationViewModel::expiryText() const
{
    if (m_invitationCode.isEmpty() || !m_expiresAt) {
        return {};
    }
    return L10n::format(L10n::localized("有效期至 %@，仅可使用一次"),
                        { m_expiresAt->toLocalTime().toString(QStringLiteral("HH:mm")) });
}

QCoro::Task<> MacParentInvitationViewModel::create()
{
    const auto client = RemoteAPIClient::make(m_config);
    if (!client) {
        m_errorMessage = L10n::localized("服务地址不合法");
        emit changed();
        co_return;
    }
    auto busy = ViewModelSupport::runBusy(
        this, { &MacParentInvitationViewModel::setBusy, &MacParentInvitationViewModel::setError },
        &MacParentInvitationViewModel::createWith, *client, m_config.familyCode());
    co_await busy;
}

QCoro::Task<> MacParentInvitationViewModel::createWith(const RemoteAPIClient& client, QString familyCode)
{
    QPointer<MacParentInvitationViewModel> self(this);
    auto task = client.createParentInvitation(familyCode);
    const ParentInvitationResponse invitation = co_await task;
    if (!self) {
        co_return;
    }
    const auto expiresAt = QDateTime::fromString(invitation.expiresAt, Qt::ISODateWithMs);
    m_invitationCode = invitation.invitationCode;
    m_expiresAt = expiresAt.isValid() ? std::optional<QDateTime>(expiresAt) : std::nullopt;
}
