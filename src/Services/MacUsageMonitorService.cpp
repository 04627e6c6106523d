#include "Services/MacUsageMonitorService.h"

#include "Platform/Clock.h"
#include "Platform/ProcessShield.h"
#include "Platform/SessionActivity.h"
#include "Platform/UserDefaults.h"
#include "Platform/Workspace.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
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

QString canonicalProgram(const QString& path)
{
    const QFileInfo file(path);
    return file.isFile() && file.isExecutable() ? file.canonicalFilePath() : QString();
}

// The programs a selection names: the applications' own (as the workspace resolves their
// identifiers), program names as found on $PATH, and executables chosen by path. A path that is
// a folder (an install folder) names no single program and is left to the window matching.
QStringList programsOf(const MacSelectionPayload& selection, Workspace& workspace)
{
    QStringList programs;
    for (const auto& id : selection.bundleIds) {
        if (!id.isEmpty()) {
            programs += workspace.executablesOf(id);
        }
    }
    for (const auto& name : selection.processes) {
        if (!name.isEmpty()) {
            programs.append(canonicalProgram(QStandardPaths::findExecutable(name)));
        }
    }
    for (const auto& path : selection.paths) {
        programs.append(canonicalProgram(path));
    }
    programs.removeAll(QString());
    programs.removeDuplicates();
    return programs;
}
} // namespace

qint64 MacUsageMonitorService::steadyMilliseconds()
{
    static const QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return started.elapsed();
}

MacUsageMonitorService::MacUsageMonitorService(UserDefaults& defaults, const Clock& clock,
                                               Workspace& workspace, QObject* parent)
    : QObject(parent)
    , m_defaults(defaults)
    , m_clock(clock)
    , m_workspace(workspace)
    , m_sessions(defaults)
    , m_monotonic([&clock] { return clock.now().toMSecsSinceEpoch(); })
{
    load();
}

MacUsageMonitorService::MacUsageMonitorService(UserDefaults& defaults, const Clock& clock,
                                               Workspace& workspace, ProcessShield& processes,
                                               SessionActivity& session, QObject* parent)
    : MacUsageMonitorService(defaults, clock, workspace, parent)
{
    m_processes = &processes;
    m_session = &session;
}

QString MacUsageMonitorService::dayKey() const
{
    return m_clock.localNow().date().toString(u"yyyy-MM-dd"_s);
}

void MacUsageMonitorService::publishMinutes()
{
    const auto minutes = todayUsageSeconds() / 60;
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
        qint64 wholeSeconds = 0;
        if (UserDefaults::kindOf(seconds) == UserDefaults::Kind::Integer) {
            wholeSeconds = seconds.toLongLong();
        } else if (UserDefaults::kindOf(minutes) == UserDefaults::Kind::Integer) {
            qint64 fromMinutes = 0;
            wholeSeconds
                = __builtin_mul_overflow(minutes.toLongLong(), qint64 { 60 }, &fromMinutes) ? 0 : fromMinutes;
        }
        const auto remainder = stored->value(remainderKey);
        const qint64 part = UserDefaults::kindOf(remainder) == UserDefaults::Kind::Integer
            ? std::clamp<qint64>(remainder.toLongLong(), 0, 999)
            : 0;
        if (__builtin_mul_overflow(wholeSeconds, qint64 { 1000 }, &m_todayUsageMs)) {
            m_todayUsageMs = 0;
        } else {
            m_todayUsageMs += part;
        }
        const auto maxUnix = stored->value(u"maxUnix"_s);
        if (UserDefaults::kindOf(maxUnix) == UserDefaults::Kind::Double) {
            m_maxSeenUnix = maxUnix.toDouble();
        }
        noteClock();
        publishMinutes();
    } else {
        m_storedDay = dayKey();
        m_todayUsageMs = 0;
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
            m_continuousUseMs = std::clamp<qint64>(seconds.toLongLong(), 0, qint64(1) << 40) * 1000;
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
        m_todayUsageMs = 0;
        publishMinutes();
        m_continuousUseMs = 0;
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
        { u"seconds"_s, todayUsageSeconds() },
        { remainderKey, m_todayUsageMs % 1000 },
        { u"maxUnix"_s, m_maxSeenUnix },
    };
    m_defaults.setObject(storageKey, total);
}

void MacUsageMonitorService::start(const MacSelectionPayload& selection)
{
    stop();
    m_selection = MacSelectionMatcher(selection);
    m_sampledSelection = selection;
    m_executables.reset();
    auto* timer = new QTimer(this);
    timer->setInterval(m_pollInterval);
    // The count is measured, not assumed from the period, so a coarse timer costs no accuracy.
    timer->setTimerType(Qt::CoarseTimer);
    connect(timer, &QTimer::timeout, this, &MacUsageMonitorService::sample);
    timer->start();
    m_timer = timer;
    // A look at once: use from this moment counts, not from the first period's end.
    sample();
}

void MacUsageMonitorService::stop()
{
    if (m_timer) {
        // A last look, so that the step under way is counted rather than dropped.
        sample();
        m_timer->stop();
        m_timer->deleteLater();
        m_timer = nullptr;
    }
    clearStep();
}

void MacUsageMonitorService::clearStep()
{
    m_currentSessionStart.reset();
    m_stepStartMs.reset();
    m_unrecordedStart.reset();
    m_unrecordedMs = 0;
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
    if (seconds > 0 && seconds < (qint64(1) << 40) && m_todayUsageMs < seconds * 1000) {
        m_todayUsageMs = seconds * 1000;
        publishMinutes();
        saveTodayUsage();
    }
}

QVariantList MacUsageMonitorService::getTodaySessionsForReport() const
{
    return m_sessions.records(dayKey());
}

bool MacUsageMonitorService::controlledProcessInUse()
{
    // Only where no window can be seen: elsewhere a running game behind other windows is not used.
    if (!m_processes || !m_session || m_workspace.enforcementMode() != EnforcementMode::processOnly) {
        return false;
    }
    if (!m_executables) {
        m_executables = programsOf(m_sampledSelection, m_workspace);
    }
    if (m_executables->isEmpty()) {
        return false;
    }
    // Without logind nothing tells use from absence; a running game then counts, so that the
    // limits still hold, rather than never counting at all.
    if (m_session->state() == SessionActivity::State::away) {
        return false;
    }
    return !m_processes->processesRunning(*m_executables).isEmpty();
}

void MacUsageMonitorService::sample()
{
    const auto app = m_workspace.frontmostApplication();
    std::optional<ForegroundInfo> info;
    if (app) {
        info = ForegroundInfo { app->bundleIdentifier, app->localizedName, app->executablePath };
    }
    if (info && m_selection.matches(info->bundleId, info->name, info->path)) {
        m_lastForegroundInfo = info;
    } else if (controlledProcessInUse()) {
        // Seen by its process only: the record names the application when one id was chosen.
        const auto& ids = m_sampledSelection.bundleIds;
        m_lastForegroundInfo
            = ForegroundInfo { ids.size() == 1 ? std::optional(ids.constFirst()) : std::nullopt, std::nullopt,
                               std::nullopt };
    } else {
        clearStep();
        return;
    }
    const auto now = m_clock.now();
    const qint64 nowMs = m_monotonic();
    if (!m_stepStartMs) {
        m_currentSessionStart = now;
        m_stepStartMs = nowMs;
        return;
    }
    const qint64 elapsedMs = nowMs - *m_stepStartMs;
    if (elapsedMs < 0) {
        // Only a wall clock set back does this: waiting for it to catch up would stop counting
        // for as long as it was set back, so the step starts again from here.
        m_currentSessionStart = now;
        m_stepStartMs = nowMs;
        return;
    }
    if (elapsedMs == 0) {
        return;
    }
    // A longer gap is a sleep or a stalled session, of which only the first 10 s count.
    addUsage(std::min<qint64>(elapsedMs, maxStepMs));
    m_currentSessionStart = now;
    m_stepStartMs = nowMs;
}

void MacUsageMonitorService::addUsage(qint64 milliseconds)
{
    if (milliseconds < 1) {
        return;
    }
    noteClock();
    const auto day = m_storedDay.isEmpty() ? dayKey() : m_storedDay;
    m_todayUsageMs += milliseconds;
    publishMinutes();
    saveTodayUsage();

    const auto now = m_clock.now();
    const auto start = m_currentSessionStart.value_or(now.addMSecs(-milliseconds));
    // A pause is measured up to the counted time, so a sleep with the application in front
    // (counted as 10 seconds) is a pause too.
    if (m_lastCountedAt
        && m_lastCountedAt->msecsTo(now.addMSecs(-milliseconds)) >= m_eyeRestBreakSeconds * 1000) {
        m_continuousUseMs = 0;
    }
    m_continuousUseMs += milliseconds;
    m_lastCountedAt = now;
    saveStretch();

    // Records carry whole seconds: steps shorter than one (a look right after the start) are
    // joined to the next instead of becoming records of no length.
    if (!m_unrecordedStart) {
        m_unrecordedStart = start;
    }
    m_unrecordedMs += milliseconds;
    if (m_unrecordedMs >= 1000) {
        const QVariantMap record {
            { u"startAt"_s, isoWithMilliseconds(*m_unrecordedStart) },
            { u"endAt"_s, isoWithMilliseconds(now) },
            { u"appBundleId"_s,
              m_lastForegroundInfo ? m_lastForegroundInfo->bundleId.value_or(QString()) : QString() },
            { u"durationSeconds"_s, (m_unrecordedMs + 500) / 1000 },
        };
        m_sessions.append(day, record);
        m_unrecordedMs = 0;
        m_unrecordedStart.reset();
    }
    emit usageCounted();
}

void MacUsageMonitorService::saveStretch()
{
    const QVariantMap stretch {
        { u"seconds"_s, continuousUseSeconds() },
        { u"lastAt"_s, m_lastCountedAt ? unixSeconds(*m_lastCountedAt) : 0.0 },
    };
    m_defaults.setObject(eyeRestStretchKey, stretch);
}
