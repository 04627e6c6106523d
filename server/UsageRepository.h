#pragma once

#include "Protocol/UsageRecords.h"

#include <QList>
#include <QString>

#include <optional>

class ServerDatabase;

// Per device and calendar day: the reported count of seconds and the usage sessions.
class UsageRepository final
{
public:
    explicit UsageRepository(ServerDatabase& database);

    // The device's count for `day` (0 while none is reported), in one query with the device;
    // absent for an unknown device.
    std::optional<qint64> todaySeconds(const QString& deviceId, const QString& day);
    // False, writing nothing, for an unknown device.
    bool putTodaySeconds(const QString& deviceId, const QString& day, qint64 seconds,
                         const std::optional<QString>& sampledAt);
    // Sessions are keyed by (device, start): resending a day's list replaces, never duplicates.
    // False, writing nothing, for an unknown device or an empty list.
    bool upsertSessions(const QString& deviceId, const QString& day, const QString& source,
                        const QList<UsageSessionPayload>& sessions);
    int sessionCount(const QString& deviceId, const QString& day);

private:
    ServerDatabase& m_db;
};
