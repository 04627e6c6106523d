#include "Protocol/WireCoding.h"
#include "Services/Network/RemoteAPIClient.h"

using namespace Qt::StringLiterals;

QCoro::Task<> RemoteAPIClient::requestUnlock(QString deviceID, std::optional<qint64> requestedMinutes,
                                             std::optional<QString> reason) const
{
    const auto body = UnlockRequestPayload::make(requestedMinutes, reason);
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"unlock-requests"_s });
    auto task = exchange(Method::POST, url, WireCoding::encode(body.toJson()));
    co_await task;
}

QCoro::Task<QList<UnlockRequest>> RemoteAPIClient::fetchUnlockRequests(QString familyCode,
                                                                       QString status) const
{
    // The retry outlives this call's first suspension, so it works on its own copy of the client.
    auto task = retryingOnceOnTransientError<QList<UnlockRequest>>(
        [client = *this, familyCode, status] { return client.fetchUnlockRequestsOnce(familyCode, status); });
    co_return co_await task;
}

QCoro::Task<QList<UnlockRequest>> RemoteAPIClient::fetchUnlockRequestsOnce(QString familyCode,
                                                                           QString status) const
{
    const auto url = endpointURL(u"api/v1/unlock-requests"_s, {},
                                 { { u"familyCode"_s, familyCode }, { u"status"_s, status } });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<UnlockRequestListResponse>(data).items;
}

QCoro::Task<QList<UnlockRequest>> RemoteAPIClient::fetchDeviceUnlockRequests(QString deviceID) const
{
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"unlock-requests"_s });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<UnlockRequestListResponse>(data).items;
}

QCoro::Task<> RemoteAPIClient::decideUnlockRequest(QString id, QString action,
                                                   std::optional<qint64> extendMinutes) const
{
    const auto body = UnlockDecisionPayload::make(action, extendMinutes);
    const auto url = endpointURL(u"api/v1/unlock-requests"_s, { id, u"decision"_s });
    auto task = exchange(Method::POST, url, WireCoding::encode(body.toJson()));
    co_await task;
}
