#pragma once

#include "Models/ScreenTimePolicy.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

class UserDefaults;

// Warnings before a lock: 5 minutes and 1 minute before the daily limit is reached and before the
// blocked period begins. Each kind is given at most once a day; the marks are stored, so a
// restart does not repeat a warning already given.
class MacLockWarnings
{
public:
    enum class Kind
    {
        dailyLimitIn5,
        dailyLimitIn1,
        blockedPeriodIn5,
        blockedPeriodIn1
    };

    static inline const QString storageKey = QStringLiteral("vtl_lock_warnings_given");

    explicit MacLockWarnings(UserDefaults& defaults);

    // The warnings whose moment it is: the daily limit 5 (1) minutes away when 1 to 5 minutes
    // (up to 1 minute) of today's allowance are left; the blocked period 5 (1) minutes away when
    // its start is 1 to 5 minutes (up to 1 minute) ahead. None while a temporary unlock runs or
    // while a lock is already in force.
    static QList<Kind> due(const ScreenTimePolicy& policy, qint64 todayUsageSeconds,
                           const QDateTime& localNow);

    // The due warnings not given yet on `localNow`'s day, marked as given.
    QList<Kind> takeNew(const ScreenTimePolicy& policy, qint64 todayUsageSeconds, const QDateTime& localNow);

    static QString rawValue(Kind kind);
    static QString text(Kind kind, const ScreenTimePolicy& policy);

private:
    UserDefaults& m_defaults;
};
