#include "PolicyRepository.h"

#include "Protocol/WireCoding.h"
#include "ServerDatabase.h"
#include "ServerTime.h"

#include <QJsonDocument>

using namespace Qt::StringLiterals;

namespace {

QVariant nullableBool(const std::optional<bool>& value)
{
    return value ? QVariant(int(*value)) : QVariant(QMetaType::fromType<int>());
}

QVariant nullableInstant(const std::optional<QDateTime>& value)
{
    return value ? QVariant(WireCoding::formatISO8601(*value)) : QVariant(QMetaType::fromType<QString>());
}

const QString upsert
    = u"INSERT INTO device_policies (device_id, daily_limit_minutes, blocked_start_hour, "
      "blocked_start_minute, blocked_end_hour, blocked_end_minute, force_locked, unlock_until, "
      "selection, updated_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
      "ON CONFLICT (device_id) DO UPDATE SET daily_limit_minutes = excluded.daily_limit_minutes, "
      "blocked_start_hour = excluded.blocked_start_hour, "
      "blocked_start_minute = excluded.blocked_start_minute, "
      "blocked_end_hour = excluded.blocked_end_hour, blocked_end_minute = excluded.blocked_end_minute, "
      "force_locked = excluded.force_locked, unlock_until = excluded.unlock_until, "
      "selection = excluded.selection, updated_at = excluded.updated_at"_s;

QVariantList upsertValues(const QString& deviceId, const UpsertPolicyPayload& stored)
{
    const auto& policy = stored.policy;
    return { deviceId,
             policy.dailyLimitMinutes,
             policy.blockedStart.hour,
             policy.blockedStart.minute,
             policy.blockedEnd.hour,
             policy.blockedEnd.minute,
             nullableBool(policy.forceLocked),
             nullableInstant(policy.unlockUntil),
             QString::fromUtf8(QJsonDocument(stored.selection).toJson(QJsonDocument::Compact)),
             ServerTime::nowMs() };
}

} // namespace

PolicyRepository::PolicyRepository(ServerDatabase& database)
    : m_db(database)
{
}

PolicyPayload PolicyRepository::defaultPolicy()
{
    // The rules a child computer starts with (two hours a day, blocked from 20:00 to 08:00), so
    // that a device nobody set up reads the same rules from the server as it holds itself.
    return { 120, { 20, 0 }, { 8, 0 }, false, std::nullopt };
}

PolicyRepository::DevicePolicy PolicyRepository::policy(const QString& deviceId)
{
    auto& query
        = m_db.exec(u"SELECT p.daily_limit_minutes, p.blocked_start_hour, p.blocked_start_minute, "
                    "p.blocked_end_hour, p.blocked_end_minute, p.force_locked, p.unlock_until, p.selection, "
                    "p.device_id FROM devices d LEFT JOIN device_policies p ON p.device_id = d.id "
                    "WHERE d.id = ?"_s,
                    { deviceId });
    DevicePolicy result;
    if (!query.next()) {
        return result;
    }
    result.deviceExists = true;
    if (query.value(8).isNull()) {
        return result;
    }
    UpsertPolicyPayload stored;
    auto& policy = stored.policy;
    policy.dailyLimitMinutes = query.value(0).toLongLong();
    policy.blockedStart = { query.value(1).toLongLong(), query.value(2).toLongLong() };
    policy.blockedEnd = { query.value(3).toLongLong(), query.value(4).toLongLong() };
    if (!query.value(5).isNull()) {
        policy.forceLocked = query.value(5).toInt() != 0;
    }
    if (!query.value(6).isNull()) {
        policy.unlockUntil = WireCoding::parseISO8601(query.value(6).toString());
    }
    stored.selection = QJsonDocument::fromJson(query.value(7).toString().toUtf8()).object();
    result.stored = stored;
    return result;
}

void PolicyRepository::put(const QString& deviceId, const UpsertPolicyPayload& stored)
{
    m_db.exec(upsert, upsertValues(deviceId, stored));
}

void PolicyRepository::setUnlockUntil(const QString& deviceId, const QDateTime& until)
{
    UpsertPolicyPayload defaults { defaultPolicy(), {} };
    defaults.policy.unlockUntil = until;
    m_db.exec(u"INSERT INTO device_policies (device_id, daily_limit_minutes, blocked_start_hour, "
              "blocked_start_minute, blocked_end_hour, blocked_end_minute, force_locked, unlock_until, "
              "selection, updated_at) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
              "ON CONFLICT (device_id) DO UPDATE SET unlock_until = excluded.unlock_until, "
              "updated_at = excluded.updated_at"_s,
              upsertValues(deviceId, defaults));
}
