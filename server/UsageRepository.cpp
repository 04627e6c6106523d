#include "UsageRepository.h"

#include "ServerDatabase.h"
#include "ServerTime.h"

using namespace Qt::StringLiterals;

UsageRepository::UsageRepository(ServerDatabase& database)
    : m_db(database)
{
}

std::optional<qint64> UsageRepository::todaySeconds(const QString& deviceId, const QString& day)
{
    auto& query = m_db.exec(u"SELECT u.today_usage_seconds FROM devices d LEFT JOIN usage_days u "
                            "ON u.device_id = d.id AND u.usage_date = ? WHERE d.id = ?"_s,
                            { day, deviceId });
    if (!query.next()) {
        return std::nullopt;
    }
    return query.value(0).isNull() ? 0 : query.value(0).toLongLong();
}

void UsageRepository::putTodaySeconds(const QString& deviceId, const QString& day, qint64 seconds,
                                      const std::optional<QString>& sampledAt)
{
    m_db.reportTransaction([&] {
        m_db.exec(
            u"INSERT INTO usage_days (device_id, usage_date, today_usage_seconds, sampled_at, updated_at) "
            "VALUES (?, ?, ?, ?, ?) ON CONFLICT (device_id, usage_date) DO UPDATE SET "
            "today_usage_seconds = excluded.today_usage_seconds, sampled_at = excluded.sampled_at, "
            "updated_at = excluded.updated_at"_s,
            { deviceId, day, seconds,
              sampledAt ? QVariant(*sampledAt) : QVariant(QMetaType::fromType<QString>()),
              ServerTime::nowMs() });
    });
}

void UsageRepository::upsertSessions(const QString& deviceId, const QString& day, const QString& source,
                                     const QList<UsageSessionPayload>& sessions)
{
    const auto now = ServerTime::nowMs();
    m_db.reportTransaction([&] {
        for (const auto& session : sessions) {
            m_db.exec(
                u"INSERT INTO usage_sessions (device_id, start_at, end_at, app_bundle_id, duration_seconds, "
                "usage_date, source, updated_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?) "
                "ON CONFLICT (device_id, start_at) DO UPDATE SET end_at = excluded.end_at, "
                "app_bundle_id = excluded.app_bundle_id, duration_seconds = excluded.duration_seconds, "
                "usage_date = excluded.usage_date, source = excluded.source, updated_at = excluded.updated_at"_s,
                { deviceId, session.startAt, session.endAt, session.appBundleId, session.durationSeconds, day,
                  source, now });
        }
    });
}

int UsageRepository::sessionCount(const QString& deviceId, const QString& day)
{
    auto& query = m_db.exec(u"SELECT COUNT(*) FROM usage_sessions WHERE device_id = ? AND usage_date = ?"_s,
                            { deviceId, day });
    return query.next() ? query.value(0).toInt() : 0;
}
