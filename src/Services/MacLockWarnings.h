#pragma once

#include "Models/ScreenTimePolicy.h"
#include "Services/MacEyeRest.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class UserDefaults;

// Warnings before a lock: 5 minutes and 1 minute before the daily limit is reached and before the
// blocked period begins, and 1 minute of use before an eye-rest break. Each kind is given at most
// once a day for the same rule; the marks are stored with the rule they were given for, so a
// restart does not repeat a warning already given, while a parent who raises the limit or moves
// the period gets the warnings again before the new lock.
class MacLockWarnings
{
    Q_GADGET

public:
    enum class Kind
    {
        dailyLimitIn5,
        dailyLimitIn1,
        blockedPeriodIn5,
        blockedPeriodIn1,
        eyeRestIn1
    };
    Q_ENUM(Kind)

    struct Warning
    {
        Kind kind;
        // What the text says: the whole minutes left, rounded up (2 minutes and 10 seconds are 3).
        qint64 minutesLeft = 0;
        friend bool operator==(const Warning&, const Warning&) = default;
    };

    static inline const QString storageKey = QStringLiteral("vtl_lock_warnings_given");

    explicit MacLockWarnings(UserDefaults& defaults);

    // The warnings whose moment it is: the daily limit 5 (1) minutes away when 1 to 5 minutes
    // (up to 1 minute) of today's allowance are left; the blocked period 5 (1) minutes away when
    // its start is 1 to 5 minutes (up to 1 minute) ahead. None while a temporary unlock runs or
    // while a lock is already in force.
    static QList<Kind> due(const ScreenTimePolicy& policy, qint64 todayUsageSeconds,
                           const QDateTime& localNow);

    static QList<Warning> dueWarnings(const ScreenTimePolicy& policy, qint64 todayUsageSeconds,
                                      const QDateTime& localNow);

    // The due warnings not given yet on `localNow`'s day for the rule they warn of, marked as given.
    QList<Warning> takeNew(const ScreenTimePolicy& policy, qint64 todayUsageSeconds,
                           const QDateTime& localNow);

    // The eye-rest warning when at most a minute of use is left before the break, once per stretch
    // of use. The caller asks only while nothing else locks.
    std::optional<Warning> takeEyeRest(const ScreenTimePolicy& policy, const MacEyeRest::Stretch& stretch,
                                       const QDateTime& now);

    static QString rawValue(Kind kind);
    static QString text(const Warning& warning, const ScreenTimePolicy& policy);

private:
    UserDefaults& m_defaults;
    // The stretch length at which the eye-rest warning was given; a shorter stretch is a new one.
    std::optional<qint64> m_eyeRestWarnedAt;
};
