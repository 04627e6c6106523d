#include "Services/MacParentInvitationViewModel.h"

#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/UserFriendlyMessage.h"

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
    const QString code = m_config.familyCode();
    m_isBusy = true;
    m_errorMessage.reset();
    emit changed();
    try {
        auto task = client->createParentInvitation(code);
        const ParentInvitationResponse invitation = co_await task;
        const auto expiresAt = QDateTime::fromString(invitation.expiresAt, Qt::ISODateWithMs);
        m_invitationCode = invitation.invitationCode;
        m_expiresAt = expiresAt.isValid() ? std::optional<QDateTime>(expiresAt) : std::nullopt;
    } catch (...) {
        m_errorMessage = userFriendlyMessage(std::current_exception());
    }
    m_isBusy = false;
    emit changed();
}
