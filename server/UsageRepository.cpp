#include "UsageRepository.h"

#include "ReportBatch.h"
#include "ServerDatabase.h"
#include "ServerTime.h"

#include <QHash>

#include <algorithm>

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

bool UsageRepository::putTodaySeconds(const QString& deviceId, const QString& day, qint64 seconds,
                                      const std::optional<QString>& sampledAt)
{
    const auto sampled = sampledAt ? QVariant(*sampledAt) : QVariant(QMetaType::fromType<QString>());
    if (auto* batch = m_db.reportBatch()) {
        batch->add(u"INSERT INTO usage_days (device_id, usage_date, today_usage_seconds, sampled_at, "
                   "updated_at) SELECT r.device_id, r.usage_date, r.seconds, r.sampled_at, "
                   "r.updated_at FROM unnest(CAST(? AS TEXT[]), CAST(? AS TEXT[]), CAST(? AS BIGINT[]), "
                   "CAST(? AS TEXT[]), CAST(? AS BIGINT[])) AS r(device_id, usage_date, seconds, "
                   "sampled_at, updated_at) WHERE (SELECT true FROM devices d WHERE d.id = r.device_id) "
                   "ORDER BY r.device_id, r.usage_date "
                   "ON CONFLICT (device_id, usage_date) DO UPDATE SET "
                   "today_usage_seconds = excluded.today_usage_seconds, sampled_at = excluded.sampled_at, "
                   "updated_at = excluded.updated_at RETURNING device_id"_s,
                   day, deviceId, { day, seconds, sampled, ServerTime::nowMs() });
        return true;
    }
    // Selected from the device's row, so that the existence check costs no query of its own.
    auto& query = m_db.report(
        u"INSERT INTO usage_days (device_id, usage_date, today_usage_seconds, sampled_at, updated_at) "
        "SELECT id, CAST(? AS VARCHAR(10)), CAST(? AS BIGINT), CAST(? AS VARCHAR(64)), CAST(? AS BIGINT) "
        "FROM devices WHERE id = ? ON CONFLICT (device_id, usage_date) DO UPDATE SET "
        "today_usage_seconds = excluded.today_usage_seconds, sampled_at = excluded.sampled_at, "
        "updated_at = excluded.updated_at"_s,
        { day, seconds, sampled, ServerTime::nowMs(), deviceId });
    return query.numRowsAffected() > 0;
}

bool UsageRepository::upsertSessions(const QString& deviceId, const QString& day, const QString& source,
                                     const QList<UsageSessionPayload>& sessions)
{
    // One statement may not touch a row twice: of sessions sent with one start, the last counts,
    // as it would had each been upserted in turn.
    QList<const UsageSessionPayload*> rows;
    QHash<QString, qsizetype> rowOfStart;
    for (const auto& session : sessions) {
        if (const auto found = rowOfStart.constFind(session.startAt); found != rowOfStart.cend()) {
            rows[*found] = &session;
        } else {
            rowOfStart.insert(session.startAt, rows.size());
            rows.append(&session);
        }
    }
    const auto now = ServerTime::nowMs();
    if (auto* batch = m_db.reportBatch()) {
        for (const auto* session : std::as_const(rows)) {
            batch->add(
                u"INSERT INTO usage_sessions (device_id, start_at, end_at, app_bundle_id, "
                "duration_seconds, usage_date, source, updated_at) SELECT r.device_id, r.start_at, "
                "r.end_at, r.app_bundle_id, r.duration_seconds, r.usage_date, r.source, r.updated_at "
                "FROM unnest(CAST(? AS TEXT[]), CAST(? AS TEXT[]), CAST(? AS TEXT[]), "
                "CAST(? AS TEXT[]), CAST(? AS BIGINT[]), CAST(? AS TEXT[]), CAST(? AS TEXT[]), "
                "CAST(? AS BIGINT[])) AS r(device_id, start_at, end_at, app_bundle_id, "
                "duration_seconds, usage_date, source, updated_at) "
                "WHERE (SELECT true FROM devices d WHERE d.id = r.device_id) ORDER BY r.device_id, "
                "r.start_at "
                "ON CONFLICT (device_id, start_at) DO UPDATE SET end_at = excluded.end_at, "
                "app_bundle_id = excluded.app_bundle_id, duration_seconds = excluded.duration_seconds, "
                "usage_date = excluded.usage_date, source = excluded.source, "
                "updated_at = excluded.updated_at RETURNING device_id"_s,
                session->startAt, deviceId,
                { session->startAt, session->endAt, session->appBundleId, session->durationSeconds, day,
                  source, now });
        }
        return true;
    }
    bool deviceFound = false;
    const auto write = [&](qsizetype first, qsizetype count) {
        QStringList tuples;
        // In the order of the placeholders in the text.
        QVariantList values { day, source, now };
        for (auto i = first; i < first + count; ++i) {
            const auto& session = *rows.at(i);
            tuples.append(u"(?, ?, ?, ?)"_s);
            values << session.startAt << session.endAt << session.appBundleId << session.durationSeconds;
        }
        values << deviceId;
        auto& query = m_db.report(
            u"INSERT INTO usage_sessions (device_id, start_at, end_at, app_bundle_id, duration_seconds, "
            "usage_date, source, updated_at) SELECT d.id, CAST(s.column1 AS VARCHAR(64)), "
            "CAST(s.column2 AS VARCHAR(64)), CAST(s.column3 AS TEXT), CAST(s.column4 AS BIGINT), "
            "CAST(? AS VARCHAR(10)), CAST(? AS VARCHAR(32)), CAST(? AS BIGINT) FROM devices d, (VALUES %1) s "
            "WHERE d.id = ? ON CONFLICT (device_id, start_at) DO UPDATE SET end_at = excluded.end_at, "
            "app_bundle_id = excluded.app_bundle_id, duration_seconds = excluded.duration_seconds, "
            "usage_date = excluded.usage_date, source = excluded.source, updated_at = excluded.updated_at"_s
                .arg(tuples.join(u", "_s)),
            values);
        deviceFound = deviceFound || query.numRowsAffected() > 0;
    };
    // A statement per hundred sessions keeps within any SQLite's limit of bound values and the
    // prepared statements few.
    constexpr qsizetype rowsPerStatement = 100;
    const auto writeAll = [&] {
        for (qsizetype first = 0; first < rows.size(); first += rowsPerStatement) {
            write(first, std::min(rowsPerStatement, rows.size() - first));
        }
    };
    if (rows.size() <= rowsPerStatement) {
        writeAll();
    } else {
        m_db.reportTransaction(writeAll);
    }
    return deviceFound;
}

int UsageRepository::sessionCount(const QString& deviceId, const QString& day)
{
    auto& query = m_db.exec(u"SELECT COUNT(*) FROM usage_sessions WHERE device_id = ? AND usage_date = ?"_s,
                            { deviceId, day });
    return query.next() ? query.value(0).toInt() : 0;
}
