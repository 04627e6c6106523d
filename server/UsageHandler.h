#pragma once

#include "Protocol/UsageRecords.h"
#include "UsageRepository.h"

#include <QTimeZone>

class FamilyHandler;

// A child's usage. "Today" is the calendar day, in the server's configured zone, at the moment a
// request arrives: a count reported yesterday is never served as today's.
class UsageHandler final
{
public:
    UsageHandler(ServerDatabase& database, FamilyHandler& families, QTimeZone zone);

    struct Today
    {
        QString usageDate;
        qint64 todayUsageSeconds = 0;
    };

    Today todayUsage(const QString& deviceId);
    Today reportTodayUsage(const QString& deviceId, qint64 seconds, const std::optional<QString>& sampledAt);
    // Returns how many sessions were written.
    int upsertSessions(const QString& deviceId, const QString& usageDate, const QString& source,
                       const QList<UsageSessionPayload>& sessions);

    // A day has at most 25 hours (the day a clock is set back).
    static constexpr qint64 maximumDaySeconds = 25 * 3600;
    static constexpr qsizetype maximumSessionsPerRequest = 2000;
    // An application is named by its bundle identifier, process name or path; PATH_MAX bounds all.
    static constexpr qsizetype maximumAppLength = 4096;

private:
    QString today() const;

    UsageRepository m_usage;
    FamilyHandler& m_families;
    QTimeZone m_zone;
};
