#include "Services/MacUsageMonitorService.h"

#include "Platform/Clock.h"
#include "Platform/UserDefaults.h"
#include "Platform/Workspace.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace {
double unixSeconds(const QDateTime& instant)
{
    return double(instant.toMSecsSinceEpoch()) / 1000.0;
}

QString isoWithMilliseconds(const QDateTime& instant)
{
    return instant.toUTC().toString(Qt::ISODateWithMs);
}
} // namespace

MacUsageMonitorService& MacUsageMonitorService::shared()
{
    static auto* instance
        = new MacUsageMonitorService(UserDefaults::standard(), Clock::current(), Workspace::shared());
    return *instance;
}

MacUsageMonitorService::MacUsageMonitorService(UserDefaults& defaults, const Clock& clock,
                                               Workspace& workspace, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_clock(clock)
    , m_workspace(workspace)
    , m_sessions(defaults)
{
    load();
}

QString MacUsageMonitorService::dayKey() const
{
    return m_clock.localNow().date().toString(u"yyyy-MM-dd"_s);
}

void MacUsageMonitorService::publishMinutes()
{
    const auto minutes = m_todayUsageSeconds / 60;
    if (minutes != m_todayUsageMinutes) {
        m_todayUsageMinutes = minutes;
        emit todayUsageMinutesChanged();
    }
}

void MacUsageMonitorService::load()
{
    const auto stored = m_defaults.dictionary(storageKey);
    const auto date = stored ? stored->value(u"date"_s) : QVariant();
    if (stored && UserDefaults::kindOf(date) == UserDefaults::Kind::String) {
        m_storedDay = date.toString();
        const auto seconds = stored->value(u"seconds"_s);
        const auto minutes = stored->value(u"minutes"_s);
        if (UserDefaults::kindOf(seconds) == UserDefaults::Kind::Integer) {
            m_todayUsageSeconds = seconds.toLongLong();
        } else if (UserDefaults::kindOf(minutes) == UserDefaults::Kind::Integer) {
            qint64 fromMinutes = 0;
            m_todayUsageSeconds
                = __builtin_mul_overflow(minutes.toLongLong(), qint64 { 60 }, &fromMinutes) ? 0 : fromMinutes;
        }
        const auto maxUnix = stored->value(u"maxUnix"_s);
        if (UserDefaults::kindOf(maxUnix) == UserDefaults::Kind::Double) {
            m_maxSeenUnix = maxUnix.toDouble();
        }
        noteClock();
        publishMinutes();
    } else {
        m_storedDay = dayKey();
        m_todayUsageSeconds = 0;
        publishMinutes();
        m_maxSeenUnix = unixSeconds(m_clock.now());
    }
    const auto stretch = m_defaults.dictionary(eyeRestStretchKey);
    if (stretch) {
        const auto seconds = stretch->value(u"seconds"_s);
        const auto lastAt = stretch->value(u"lastAt"_s);
        if (UserDefaults::kindOf(seconds) == UserDefaults::Kind::Integer
            && UserDefaults::kindOf(lastAt) == UserDefaults::Kind::Double && std::isfinite(lastAt.toDouble())
            && std::abs(lastAt.toDouble()) < 1e14) {
            m_continuousUseSeconds = std::max<qint64>(0, seconds.toLongLong());
            m_lastCountedAt
                = QDateTime::fromMSecsSinceEpoch(qint64(lastAt.toDouble() * 1000.0), QTimeZone::utc());
        }
    }
    // Days left open by an earlier run are complete now.
    m_sessions.close(m_storedDay, m_clock.localNow().date().addDays(-1).toString(u"yyyy-MM-dd"_s));
}

void MacUsageMonitorService::noteClock()
{
    const auto now = unixSeconds(m_clock.now());
    if (m_maxSeenUnix > 0 && now + 120 < m_maxSeenUnix) {
        return;
    }
    m_maxSeenUnix = std::max(m_maxSeenUnix, now);
    const auto today = dayKey();
    if (m_storedDay.isEmpty()) {
        m_storedDay = today;
    } else if (m_storedDay != today && m_storedDay < today) {
        m_storedDay = today;
        m_todayUsageSeconds = 0;
        publishMinutes();
        m_continuousUseSeconds = 0;
        m_lastCountedAt.reset();
        m_defaults.removeObject(eyeRestStretchKey);
        m_sessions.close(today, m_clock.localNow().date().addDays(-1).toString(u"yyyy-MM-dd"_s));
    }
}

void MacUsageMonitorService::saveTodayUsage()
{
    const QVariantMap total {
        { u"date"_s, m_storedDay.isEmpty() ? dayKey() : m_storedDay },
        { u"minutes"_s, m_todayUsageMinutes },
        { u"seconds"_s, m_todayUsageSeconds },
        { u"maxUnix"_s, m_maxSeenUnix },
    };
    m_defaults.setObject(storageKey, total);
}

void MacUsageMonitorService::start(const MacSelectionPayload& selection)
{
    stop();
    m_selection = MacSelectionMatcher(selection);
    m_sampledSelection = selection;
    auto* timer = new QTimer(this);
    timer->setInterval(int(pollInterval * 1000));
    // A coarse timer may fire up to 5 % (0.15 s) early or late, inside the half second allowed.
    timer->setTimerType(Qt::CoarseTimer);
    connect(timer, &QTimer::timeout, this, &MacUsageMonitorService::sample);
    timer->start();
    m_timer = timer;
}

void MacUsageMonitorService::stop()
{
    if (m_timer) {
        m_timer->stop();
        m_timer->deleteLater();
        m_timer = nullptr;
    }
    clearStep();
}

void MacUsageMonitorService::clearStep()
{
    m_currentSessionStart.reset();
    m_lastForegroundInfo.reset();
}

void MacUsageMonitorService::resetDayIfNeeded()
{
    noteClock();
    saveTodayUsage();
}

void MacUsageMonitorService::raiseTodayUsage(qint64 seconds)
{
    noteClock();
    if (m_todayUsageSeconds < seconds) {
        m_todayUsageSeconds = seconds;
        publishMinutes();
        saveTodayUsage();
    }
}

QVariantList MacUsageMonitorService::getTodaySessionsForReport() const
{
    return m_sessions.records(dayKey());
}

void MacUsageMonitorService::sample()
{
    const auto app = m_workspace.frontmostApplication();
    if (!app) {
        clearStep();
        return;
    }
    ForegroundInfo info { app->bundleIdentifier, app->localizedName, app->executablePath };
    if (!m_selection.matches(info.bundleId, info.name, info.path)) {
        clearStep();
        return;
    }
    m_lastForegroundInfo = info;
    const auto now = m_clock.now();
    if (!m_currentSessionStart) {
        m_currentSessionStart = now;
    }
    const auto elapsedMs = m_currentSessionStart->msecsTo(now);
    if (elapsedMs < 0) {
        // The clock was set back past the step's start: waiting for it to catch up would stop
        // counting for as long as it was set back, so the step starts again from here.
        m_currentSessionStart = now;
        return;
    }
    auto elapsed = elapsedMs / 1000;
    if (elapsed < 3) {
        return;
    }
    if (elapsed > 9) {
        elapsed = 10;
    }
    addUsage(elapsed);
    m_currentSessionStart = now;
}

void MacUsageMonitorService::addUsage(qint64 seconds)
{
    if (seconds < 1) {
        return;
    }
    noteClock();
    const auto day = m_storedDay.isEmpty() ? dayKey() : m_storedDay;
    m_todayUsageSeconds += seconds;
    publishMinutes();
    saveTodayUsage();

    const auto now = m_clock.now();
    const auto start = m_currentSessionStart.value_or(now.addSecs(-seconds));
    // A pause is measured up to the counted seconds, so a sleep with the application in front
    // (counted as 10 seconds) is a pause too.
    if (m_lastCountedAt && m_lastCountedAt->secsTo(now.addSecs(-seconds)) >= m_eyeRestBreakSeconds) {
        m_continuousUseSeconds = 0;
    }
    m_continuousUseSeconds += seconds;
    m_lastCountedAt = now;
    saveStretch();

    const QVariantMap record {
        { u"startAt"_s, isoWithMilliseconds(start) },
        { u"endAt"_s, isoWithMilliseconds(now) },
        { u"appBundleId"_s,
          m_lastForegroundInfo ? m_lastForegroundInfo->bundleId.value_or(QString()) : QString() },
        { u"durationSeconds"_s, seconds },
    };
    m_sessions.append(day, record);
    emit usageCounted();
}

void MacUsageMonitorService::saveStretch()
{
    const QVariantMap stretch {
        { u"seconds"_s, m_continuousUseSeconds },
        { u"lastAt"_s, m_lastCountedAt ? unixSeconds(*m_lastCountedAt) : 0.0 },
    };
    m_defaults.setObject(eyeRestStretchKey, stretch);
}
