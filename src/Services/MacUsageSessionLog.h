#pragma once

#include <QString>
#include <QVariantList>
#include <QVariantMap>

class UserDefaults;

// The persisted usage-session records, one per counted step, grouped by day.
//
// "mac_usage_sessions" is a dictionary from day key to the array of that day's records, oldest
// first. Rewriting it at every step would make each step cost as much as all records stored, so
// the day still being counted is kept beside it, in segments of at most `segmentSize` records
// under "mac_usage_sessions.<day>.<n>", listed in "mac_usage_sessions.open" (day → number of
// segments). A step rewrites only the last segment. When a day is closed (the day rolls over,
// or the application starts on a later day) its segments are folded into the dictionary in one
// write, and days before yesterday are dropped.
class MacUsageSessionLog
{
public:
    static constexpr qsizetype segmentSize = 32;
    static inline const QString key = QStringLiteral("mac_usage_sessions");
    static inline const QString openKey = QStringLiteral("mac_usage_sessions.open");

    explicit MacUsageSessionLog(UserDefaults& defaults);

    void append(const QString& day, const QVariantMap& record);
    // All records of `day`: the dictionary's, then the open segments'.
    QVariantList records(const QString& day) const;
    // Folds every open day other than `keepOpen` into the dictionary and drops days that sort
    // before `oldestKept`.
    void close(const QString& keepOpen, const QString& oldestKept);

    static QString segmentKey(const QString& day, qint64 index);

private:
    QVariantMap openDays() const;
    void loadTail(const QString& day);

    UserDefaults& m_defaults;
    QVariantMap m_open; // day → segment count, as stored under openKey
    QString m_tailDay;
    qint64 m_tailIndex = -1;
    QVariantList m_tail; // the last segment of m_tailDay
};
