#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/WireCoding.h"

using namespace Qt::StringLiterals;

QCoro::Task<CreateFamilyResponse> RemoteAPIClient::createFamily() const
{
    const auto url = endpointURL(u"api/v1/families"_s);
    // No body, but the content type is declared all the same.
    auto task = exchange(Method::POST, url, QByteArray());
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<CreateFamilyResponse>(data);
}

QCoro::Task<RegisterDeviceResponse> RemoteAPIClient::registerDevice(QString familyCode, RemoteDeviceRole role,
                                                                    QString name) const
{
    const RegisterDevicePayload body { rawValue(role), name };
    const auto url = endpointURL(u"api/v1/families"_s, { familyCode, u"devices"_s });
    auto task = exchange(Method::POST, url, WireCoding::encode(body.toJson()));
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<RegisterDeviceResponse>(data);
}
