#include "Protocol/WireCoding.h"
#include "Services/Network/RemoteAPIClient.h"

using namespace Qt::StringLiterals;

QCoro::Task<CreateFamilyResponse> RemoteAPIClient::createFamily() const
{
    const auto url = endpointURL(u"api/v1/families"_s);
    // No body, but the content type is declared all the same.
    auto task = exchange(Method::POST, url, QByteArray());
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<CreateFamilyResponse>(data);
}

QCoro::Task<RegisterDeviceResponse>
RemoteAPIClient::registerDevice(QString familyCode, RemoteDeviceRole role, QString name,
                                std::optional<QString> invitationCode) const
{
    const RegisterDevicePayload body { rawValue(role), name, invitationCode };
    const auto url = endpointURL(u"api/v1/families"_s, { familyCode, u"devices"_s });
    auto task = exchange(Method::POST, url, WireCoding::encode(body.toJson()));
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<RegisterDeviceResponse>(data);
}

QCoro::Task<ParentInvitationResponse> RemoteAPIClient::createParentInvitation(QString familyCode) const
{
    const auto url = endpointURL(u"api/v1/families"_s, { familyCode, u"parent-invitations"_s });
    auto task = exchange(Method::POST, url, QByteArray("{}"));
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<ParentInvitationResponse>(data);
}
