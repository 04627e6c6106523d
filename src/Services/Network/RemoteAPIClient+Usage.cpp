#include "Protocol/UsageRecords.h"
#include "Protocol/WireCoding.h"
#include "Services/Network/RemoteAPIClient.h"

using namespace Qt::StringLiterals;

QCoro::Task<qint64> RemoteAPIClient::fetchTodayUsageSeconds(QString deviceID) const
{
    auto task = fetchTodayUsage(std::move(deviceID));
    const auto response = co_await task;
    co_return response.todayUsageSeconds;
}

QCoro::Task<TodayUsageResponse> RemoteAPIClient::fetchTodayUsage(QString deviceID) const
{
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"usage"_s, u"today"_s });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return TodayUsageResponse::fromBody(data);
}

QCoro::Task<> RemoteAPIClient::reportTodayUsage(QString deviceID, qint64 todayUsageSeconds,
                                                std::optional<QDateTime> sampledAt) const
{
    const TodayUsagePayload body { todayUsageSeconds, sampledAt };
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"usage"_s, u"today"_s });
    auto task = exchange(Method::PUT, url, WireCoding::encode(body.toJson()));
    co_await task;
}

QCoro::Task<> RemoteAPIClient::upsertUsageSessions(QString deviceID, QString usageDate, QString source,
                                                   QList<QVariantMap> sessions) const
{
    UsageSessionsPayload body { usageDate, source, {} };
    // Sent exactly as stored; a value JSON cannot carry fails here, before anything is sent.
    for (const auto& session : sessions) {
        body.sessions.append(WireCoding::jsonObjectFromVariantMap(session));
    }
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"usage"_s, u"sessions"_s });
    auto task = exchange(Method::POST, url, WireCoding::encode(body.toJson()));
    co_await task;
}
