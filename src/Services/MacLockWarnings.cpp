#include "Services/MacLockWarnings.h"

#include "Models/EnumNames.h"
#include "Models/L10n.h"
#include "Platform/UserDefaults.h"
#include "Services/MacLockShield.h"
#include "Services/MacPolicyExecutor.h"

using namespace Qt::StringLiterals;

namespace {
constexpr qint64 secondsPerDay = 86'400;

// Seconds since midnight of an hour and minute, or nothing when they do not name a time of day
// (such a period is never warned about; the lock decision still judges it).
std::optional<qint64> secondOfDay(const DateComponents& time, qint64 defaultHour)
{
    const auto minute
        = MacPolicyExecutor::minuteOfDay(time.hour.value_or(defaultHour), time.minute.value_or(0));
    if (minute < 0 || minute >= 1440) {
        return std::nullopt;
    }
    return minute * 60;
}

qint64 minutesUp(qint64 seconds)
{
    return (seconds + 59) / 60;
}

// What a mark is given for: the limit for the limit's warnings, the period for the period's. A
// mark for another rule does not count, so a changed rule is warned about again.
QString ruleOf(MacLockWarnings::Kind kind, const ScreenTimePolicy& policy)
{
    switch (kind) {
    case MacLockWarnings::Kind::dailyLimitIn5:
    case MacLockWarnings::Kind::dailyLimitIn1:
        return QString::number(policy.dailyLimitMinutes);
    case MacLockWarnings::Kind::blockedPeriodIn5:
    case MacLockWarnings::Kind::blockedPeriodIn1:
    case MacLockWarnings::Kind::eyeRestIn1:
        break;
    }
    return MacLockShield::formatTime(policy.blockedStart) + u'-'
        + MacLockShield::formatTime(policy.blockedEnd);
}

// 5 minutes when 1 to 5 minutes are left, 1 minute when less is left, none otherwise.
std::optional<bool> fiveMinutesAhead(qint64 secondsLeft)
{
    if (secondsLeft <= 0 || secondsLeft > 300) {
        return std::nullopt;
    }
    return secondsLeft > 60;
}
} // namespace

MacLockWarnings::MacLockWarnings(UserDefaults& defaults)
    : m_defaults(defaults)
{
}

QList<MacLockWarnings::Kind> MacLockWarnings::due(const ScreenTimePolicy& policy, qint64 todayUsageSeconds,
                                                  const QDateTime& localNow)
{
    QList<Kind> kinds;
    for (const auto& warning : dueWarnings(policy, todayUsageSeconds, localNow)) {
        kinds.append(warning.kind);
    }
    return kinds;
}

QList<MacLockWarnings::Warning> MacLockWarnings::dueWarnings(const ScreenTimePolicy& policy,
                                                             qint64 todayUsageSeconds,
                                                             const QDateTime& localNow)
{
    QList<Warning> kinds;
    if (policy.forceLocked || (policy.unlockUntil && localNow < *policy.unlockUntil)) {
        return kinds;
    }
    const qint64 now = localNow.time().msecsSinceStartOfDay() / 1000;
    const auto start = secondOfDay(policy.blockedStart, 20);
    const auto end = secondOfDay(policy.blockedEnd, 8);
    bool blocked = false;
    std::optional<qint64> untilStart;
    if (start && end && *start != *end) {
        const qint64 minute = now / 60 * 60;
        blocked = *end > *start ? (*start <= minute && minute < *end) : (minute >= *start || minute < *end);
        untilStart = ((*start - now) % secondsPerDay + secondsPerDay) % secondsPerDay;
    }
    const bool limitReached = policy.dailyLimitMinutes <= todayUsageSeconds / 60;
    if (blocked || limitReached) {
        return kinds;
    }
    if (policy.dailyLimitMinutes < secondsPerDay) {
        const qint64 left = policy.dailyLimitMinutes * 60 - todayUsageSeconds;
        if (const auto five = fiveMinutesAhead(left)) {
            kinds.append({ *five ? Kind::dailyLimitIn5 : Kind::dailyLimitIn1, minutesUp(left) });
        }
    }
    if (untilStart) {
        if (const auto five = fiveMinutesAhead(*untilStart)) {
            kinds.append({ *five ? Kind::blockedPeriodIn5 : Kind::blockedPeriodIn1, minutesUp(*untilStart) });
        }
    }
    return kinds;
}

QList<MacLockWarnings::Warning> MacLockWarnings::takeNew(const ScreenTimePolicy& policy,
                                                         qint64 todayUsageSeconds, const QDateTime& localNow)
{
    const auto kinds = dueWarnings(policy, todayUsageSeconds, localNow);
    if (kinds.isEmpty()) {
        return kinds;
    }
    const QString day = localNow.date().toString(u"yyyy-MM-dd"_s);
    const auto stored = m_defaults.dictionary(storageKey);
    QStringList given;
    if (stored && stored->value(u"day"_s).toString() == day
        && UserDefaults::kindOf(stored->value(u"kinds"_s)) == UserDefaults::Kind::Array) {
        for (const auto& value : stored->value(u"kinds"_s).toList()) {
            given.append(value.toString());
        }
    }
    QList<Warning> fresh;
    for (const auto& warning : kinds) {
        const QString mark = rawValue(warning.kind) + u'@' + ruleOf(warning.kind, policy);
        if (!given.contains(mark)) {
            given.append(mark);
            fresh.append(warning);
        }
    }
    if (!fresh.isEmpty()) {
        m_defaults.setObject(storageKey, QVariantMap { { u"day"_s, day }, { u"kinds"_s, QVariant(given) } });
    }
    return fresh;
}

std::optional<MacLockWarnings::Warning> MacLockWarnings::takeEyeRest(const ScreenTimePolicy& policy,
                                                                     const MacEyeRest::Stretch& stretch,
                                                                     const QDateTime& now)
{
    if (m_eyeRestWarnedAt && stretch.continuousUseSeconds < *m_eyeRestWarnedAt) {
        m_eyeRestWarnedAt.reset();
    }
    const auto left = MacEyeRest::secondsOfUseLeft(policy, stretch, now);
    if (!left || *left > 60 || m_eyeRestWarnedAt) {
        return std::nullopt;
    }
    m_eyeRestWarnedAt = stretch.continuousUseSeconds;
    return Warning { Kind::eyeRestIn1, minutesUp(*left) };
}

QString MacLockWarnings::rawValue(Kind kind)
{
    return enumName(kind);
}

QString MacLockWarnings::text(const Warning& warning, const ScreenTimePolicy& policy)
{
    switch (warning.kind) {
    case Kind::dailyLimitIn5:
    case Kind::dailyLimitIn1:
        return L10n::format(L10n::localized("今日使用还剩 %d 分钟，到时受控应用会被锁定。"),
                            { warning.minutesLeft });
    case Kind::blockedPeriodIn5:
    case Kind::blockedPeriodIn1:
        return L10n::format(L10n::localized("还有 %d 分钟进入禁用时段（%@ 开始），到时受控应用会被锁定。"),
                            { warning.minutesLeft, MacLockShield::formatTime(policy.blockedStart) });
    case Kind::eyeRestIn1:
        return L10n::format(L10n::localized("再用 %d 分钟就到视力保护休息时间，受控应用将暂停 %d 分钟。"),
                            { warning.minutesLeft, policy.eyeRestRestMinutes });
    }
    return {};
}
