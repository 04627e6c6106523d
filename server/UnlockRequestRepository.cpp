#include "UnlockRequestRepository.h"

#include "ServerDatabase.h"
#include "ServerTime.h"

#include <QUuid>

using namespace Qt::StringLiterals;

namespace {

const QString columns = u"id, family_id, child_device_id, requested_minutes, reason, status, decided_by, "
                        "decided_at, created_at, updated_at"_s;

UnlockRequest readRow(const QSqlQuery& query)
{
    UnlockRequest request;
    request.id = query.value(0).toString();
    request.familyId = query.value(1).toString();
    request.childDeviceId = query.value(2).toString();
    if (!query.value(3).isNull()) {
        request.requestedMinutes = query.value(3).toLongLong();
    }
    if (!query.value(4).isNull()) {
        request.reason = query.value(4).toString();
    }
    request.status = query.value(5).toString();
    if (!query.value(6).isNull()) {
        request.decidedBy = query.value(6).toString();
    }
    if (!query.value(7).isNull()) {
        request.decidedAt = ServerTime::format(query.value(7).toLongLong());
    }
    request.createdAt = ServerTime::format(query.value(8).toLongLong());
    request.updatedAt = ServerTime::format(query.value(9).toLongLong());
    return request;
}

} // namespace

UnlockRequestRepository::UnlockRequestRepository(ServerDatabase& database)
    : m_db(database)
{
}

std::optional<UnlockRequest> UnlockRequestRepository::fileWithinLimit(const QString& familyId,
                                                                      const QString& childDeviceId,
                                                                      const UnlockRequestPayload& payload,
                                                                      qint64 nowMs, qint64 windowStartMs,
                                                                      int limit)
{
    return m_db.transaction([&]() -> std::optional<UnlockRequest> {
        // A write to the device row first: PostgreSQL locks the row, SQLite takes its write lock.
        m_db.exec(u"UPDATE devices SET updated_at = updated_at WHERE id = ?"_s, { childDeviceId });
        auto& count = m_db.exec(
            u"SELECT COUNT(*) FROM unlock_requests WHERE child_device_id = ? AND created_at > ?"_s,
            { childDeviceId, windowStartMs });
        const auto filed = count.next() ? count.value(0).toLongLong() : 0;
        if (filed >= limit) {
            return std::nullopt;
        }
        UnlockRequest request;
        request.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        request.familyId = familyId;
        request.childDeviceId = childDeviceId;
        request.requestedMinutes = payload.requestedMinutes;
        request.reason = payload.reason;
        request.status = u"pending"_s;
        request.createdAt = request.updatedAt = ServerTime::format(nowMs);
        m_db.exec(u"INSERT INTO unlock_requests (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s.arg(columns),
                  { request.id, familyId, childDeviceId,
                    payload.requestedMinutes ? QVariant(*payload.requestedMinutes)
                                             : QVariant(QMetaType::fromType<qlonglong>()),
                    payload.reason ? QVariant(*payload.reason) : QVariant(QMetaType::fromType<QString>()),
                    request.status, QVariant(QMetaType::fromType<QString>()),
                    QVariant(QMetaType::fromType<qlonglong>()), nowMs, nowMs });
        return request;
    });
}

QList<UnlockRequest> UnlockRequestRepository::requests(const QString& familyId,
                                                       const std::optional<QString>& status, int limit)
{
    auto& query = status ? m_db.exec(u"SELECT %1 FROM unlock_requests WHERE family_id = ? AND status = ? "
                                     "ORDER BY created_at DESC, id LIMIT ?"_s.arg(columns),
                                     { familyId, *status, limit })
                         : m_db.exec(u"SELECT %1 FROM unlock_requests WHERE family_id = ? "
                                     "ORDER BY created_at DESC, id LIMIT ?"_s.arg(columns),
                                     { familyId, limit });
    QList<UnlockRequest> result;
    while (query.next()) {
        result.append(readRow(query));
    }
    return result;
}

QList<UnlockRequest> UnlockRequestRepository::childRequests(const QString& childDeviceId, int limit)
{
    auto& query = m_db.exec(u"SELECT %1 FROM unlock_requests WHERE child_device_id = ? "
                            "ORDER BY created_at DESC, id LIMIT ?"_s.arg(columns),
                            { childDeviceId, limit });
    QList<UnlockRequest> result;
    while (query.next()) {
        result.append(readRow(query));
    }
    return result;
}

std::optional<UnlockRequest> UnlockRequestRepository::request(const QString& id)
{
    auto& query = m_db.exec(u"SELECT %1 FROM unlock_requests WHERE id = ?"_s.arg(columns), { id });
    if (!query.next()) {
        return std::nullopt;
    }
    return readRow(query);
}

UnlockRequestRepository::Decision
UnlockRequestRepository::decide(const QString& id, const QString& status, const QString& decidedBy,
                                qint64 nowMs,
                                const std::function<void(const UnlockRequest&)>& alsoInTheTransaction)
{
    return m_db.transaction([&] {
        // Only a pending request changes; the affected-row count tells who decided first.
        auto& update = m_db.exec(u"UPDATE unlock_requests SET status = ?, decided_by = ?, decided_at = ?, "
                                 "updated_at = ? WHERE id = ? AND status = 'pending'"_s,
                                 { status, decidedBy, nowMs, nowMs, id });
        const auto changed = update.numRowsAffected();
        const auto decided = request(id);
        if (!decided) {
            return Decision::NotFound;
        }
        if (changed != 1) {
            return Decision::NotPending;
        }
        alsoInTheTransaction(*decided);
        return Decision::Decided;
    });
}
