#include "UsageHandler.h"

#include "ApiError.h"
#include "FamilyHandler.h"
#include "ServerTime.h"

using namespace Qt::StringLiterals;

namespace {

bool isInstant(const QString& text)
{
    return QDateTime::fromString(text, Qt::ISODateWithMs).isValid()
        || QDateTime::fromString(text, Qt::ISODate).isValid();
}

} // namespace

UsageHandler::UsageHandler(ServerDatabase& database, FamilyHandler& families, QTimeZone zone)
    : m_usage(database)
    , m_families(families)
    , m_zone(std::move(zone))
{
}

QString UsageHandler::today() const
{
    return ServerTime::dayKey(ServerTime::nowMs(), m_zone);
}

UsageHandler::Today UsageHandler::todayUsage(const QString& deviceId)
{
    // The device and its count in one query: a child asks for it every cycle.
    const auto day = today();
    const auto seconds = m_usage.todaySeconds(deviceId, day);
    if (!seconds) {
        throw ApiError::deviceNotFound();
    }
    return { day, *seconds };
}

UsageHandler::Today UsageHandler::reportTodayUsage(const QString& deviceId, qint64 seconds,
                                                   const std::optional<QString>& sampledAt)
{
    if (seconds < 0 || seconds > maximumDaySeconds) {
        throw ApiError::badRequest(
            u"\"todayUsageSeconds\" must lie between 0 and %1"_s.arg(maximumDaySeconds));
    }
    if (sampledAt && !isInstant(*sampledAt)) {
        throw ApiError::badRequest(u"\"sampledAt\" must be an ISO 8601 instant"_s);
    }
    const auto day = today();
    if (!m_usage.putTodaySeconds(deviceId, day, seconds, sampledAt)) {
        throw ApiError::deviceNotFound();
    }
    return { day, seconds };
}

int UsageHandler::upsertSessions(const QString& deviceId, const QString& usageDate, const QString& source,
                                 const QList<UsageSessionPayload>& sessions)
{
    if (usageDate.size() != 10 || !QDate::fromString(usageDate, u"yyyy-MM-dd"_s).isValid()) {
        throw ApiError::badRequest(u"\"usageDate\" must be a day written yyyy-MM-dd"_s);
    }
    if (source.isEmpty() || source.size() > 32) {
        throw ApiError::badRequest(u"\"source\" must be a short non-empty text"_s);
    }
    if (sessions.size() > maximumSessionsPerRequest) {
        throw ApiError::badRequest(u"at most %1 sessions per request"_s.arg(maximumSessionsPerRequest));
    }
    for (const auto& session : sessions) {
        if (session.appBundleId.size() > maximumAppLength) {
            throw ApiError::badRequest(
                u"\"appBundleId\" is longer than %1 characters"_s.arg(maximumAppLength));
        }
        if (!isInstant(session.startAt) || !isInstant(session.endAt)) {
            throw ApiError::badRequest(u"\"startAt\" and \"endAt\" must be ISO 8601 instants"_s);
        }
        if (session.durationSeconds < 0 || session.durationSeconds > maximumDaySeconds) {
            throw ApiError::badRequest(
                u"\"durationSeconds\" must lie between 0 and %1"_s.arg(maximumDaySeconds));
        }
    }
    if (sessions.isEmpty()) {
        m_families.existingDevice(deviceId);
    } else if (!m_usage.upsertSessions(deviceId, usageDate, source, sessions)) {
        throw ApiError::deviceNotFound();
    }
    return int(sessions.size());
}
