#pragma once

#include "Models/MacSelectionPayload.h"
#include "Services/MacSelectionMatcher.h"
#include "Services/MacUsageSessionLog.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class Clock;
class ProcessShield;
class SessionActivity;
class UserDefaults;
class Workspace;

// Measures today's use of the controlled applications: every 3 seconds (and when it starts and
// stops) it looks at the frontmost application and, while that is a controlled one (or, where the
// workspace cannot see windows, while a controlled application's process runs and someone is
// using the session), adds the time since the last look, to the millisecond on a monotonic clock
// (at most 10 s a step, so a sleep counts as a pause), to today's total, persists the total and
// records the step.
class MacUsageMonitorService final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qint64 todayUsageMinutes READ todayUsageMinutes NOTIFY todayUsageMinutesChanged)

public:
    struct ForegroundInfo
    {
        std::optional<QString> bundleId;
        std::optional<QString> name;
        std::optional<QString> path;
    };

    static constexpr std::chrono::milliseconds pollInterval { 3000 };
    static inline const QString storageKey = QStringLiteral("mac_usage_today_minutes");
    // Beside "seconds" in the stored total: the milliseconds below the whole second (0 to 999).
    static inline const QString remainderKey = QStringLiteral("milliseconds");
    static constexpr qint64 maxStepMs = 10'000;
    static inline const QString sessionsKey = MacUsageSessionLog::key;
    static inline const QString eyeRestStretchKey = QStringLiteral("mac_eye_rest_stretch");

    MacUsageMonitorService(UserDefaults& defaults, const Clock& clock, Workspace& workspace,
                           QObject* parent = nullptr);
    // Also counts by process where the workspace sees no windows (its mode is process only).
    MacUsageMonitorService(UserDefaults& defaults, const Clock& clock, Workspace& workspace,
                           ProcessShield& processes, SessionActivity& session, QObject* parent = nullptr);

    // Milliseconds on a clock that only moves forward. By default the given Clock's instant (so
    // that a test moving its clock moves the count); the application's monitor uses the steady clock,
    // which neither a clock set back nor a time-zone change can bend.
    using MonotonicSource = std::function<qint64()>;
    void setMonotonicSource(MonotonicSource source) { m_monotonic = std::move(source); }
    static qint64 steadyMilliseconds();
    // The sampling period; 3 s unless a test shortens it. Applies from the next start.
    void setPollInterval(std::chrono::milliseconds interval) { m_pollInterval = interval; }

    void start(const MacSelectionPayload& selection);
    void stop();
    bool isRunning() const { return m_timer != nullptr; }
    // Sampling, with exactly this selection.
    bool isSampling(const MacSelectionPayload& selection) const
    {
        return m_timer != nullptr && m_sampledSelection == selection;
    }
    void resetDayIfNeeded();
    // Takes over a higher count of today's seconds (from the family server); never lowers.
    void raiseTodayUsage(qint64 seconds);
    QVariantList getTodaySessionsForReport() const;

    qint64 todayUsageSeconds() const { return m_todayUsageMs / 1000; }
    qint64 todayUsageMilliseconds() const { return m_todayUsageMs; }
    qint64 todayUsageMinutes() const { return m_todayUsageMinutes; }
    QString storedDay() const { return m_storedDay; }
    double maxSeenUnix() const { return m_maxSeenUnix; }
    std::optional<ForegroundInfo> lastForegroundInfo() const { return m_lastForegroundInfo; }
    std::optional<QDateTime> currentSessionStart() const { return m_currentSessionStart; }

    // The unbroken stretch of counted use that eye rest looks at: the seconds counted since the
    // last pause of at least `eyeRestBreakSeconds` between two counted steps, and the instant of
    // the last counted step. Persisted with every step, so a restart does not end a break.
    qint64 continuousUseSeconds() const { return m_continuousUseMs / 1000; }
    std::optional<QDateTime> lastCountedAt() const { return m_lastCountedAt; }
    void setEyeRestBreakSeconds(qint64 seconds) { m_eyeRestBreakSeconds = seconds; }

    // One timer firing, with the selection captured at start (what the timer calls).
    void sample();
    // The timer, for tests that check its period.
    const QTimer* timer() const { return m_timer; }

    QString dayKey() const;

signals:
    void todayUsageMinutesChanged();
    // After every counted step, once the total, the stretch and the record are stored.
    void usageCounted();

private:
    void load();
    void noteClock();
    void saveTodayUsage();
    void saveStretch();
    void addUsage(qint64 milliseconds);
    void publishMinutes();
    void clearStep();
    bool controlledProcessInUse();

    UserDefaults& m_defaults;
    const Clock& m_clock;
    Workspace& m_workspace;
    ProcessShield* m_processes = nullptr;
    SessionActivity* m_session = nullptr;
    // The controlled applications' programs, looked up once per selection, on first need.
    std::optional<QStringList> m_executables;
    MacUsageSessionLog m_sessions;

    QPointer<QTimer> m_timer;
    MacSelectionMatcher m_selection;
    MacSelectionPayload m_sampledSelection;
    std::optional<ForegroundInfo> m_lastForegroundInfo;
    std::optional<QDateTime> m_currentSessionStart;
    // The monotonic reading at the last look that saw a controlled application in front.
    std::optional<qint64> m_stepStartMs;
    // Counted time not yet in a session record (under a second), and where it began.
    qint64 m_unrecordedMs = 0;
    std::optional<QDateTime> m_unrecordedStart;
    MonotonicSource m_monotonic;
    std::chrono::milliseconds m_pollInterval = pollInterval;
    qint64 m_todayUsageMs = 0;
    QString m_storedDay;
    double m_maxSeenUnix = 0;
    qint64 m_todayUsageMinutes = 0;

    qint64 m_continuousUseMs = 0;
    std::optional<QDateTime> m_lastCountedAt;
    qint64 m_eyeRestBreakSeconds = 15 * 60;
};
