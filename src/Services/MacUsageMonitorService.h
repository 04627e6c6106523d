#pragma once

#include "Models/MacSelectionPayload.h"
#include "Services/MacSelectionMatcher.h"
#include "Services/MacUsageSessionLog.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <optional>

class Clock;
class UserDefaults;
class Workspace;

// Measures today's use of the controlled applications: every 3 seconds it looks at the
// frontmost application and, while that is a controlled one, adds the seconds since the last
// counted step (3 to 10) to today's total, persists the total and records the step.
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

    static constexpr double pollInterval = 3.0;
    static inline const QString storageKey = QStringLiteral("mac_usage_today_minutes");
    static inline const QString sessionsKey = MacUsageSessionLog::key;
    static inline const QString eyeRestStretchKey = QStringLiteral("mac_eye_rest_stretch");

    // The process-wide monitor over the standard defaults, the current clock and the shared
    // workspace; created (and loaded) on first use.
    static MacUsageMonitorService& shared();

    MacUsageMonitorService(UserDefaults& defaults, const Clock& clock, Workspace& workspace,
                           QObject* parent = nullptr);

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

    qint64 todayUsageSeconds() const { return m_todayUsageSeconds; }
    qint64 todayUsageMinutes() const { return m_todayUsageMinutes; }
    QString storedDay() const { return m_storedDay; }
    double maxSeenUnix() const { return m_maxSeenUnix; }
    std::optional<ForegroundInfo> lastForegroundInfo() const { return m_lastForegroundInfo; }
    std::optional<QDateTime> currentSessionStart() const { return m_currentSessionStart; }

    // The unbroken stretch of counted use that eye rest looks at: the seconds counted since the
    // last pause of at least `eyeRestBreakSeconds` between two counted steps, and the instant of
    // the last counted step. Persisted with every step, so a restart does not end a break.
    qint64 continuousUseSeconds() const { return m_continuousUseSeconds; }
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
    void addUsage(qint64 seconds);
    void publishMinutes();
    void clearStep();

    UserDefaults& m_defaults;
    const Clock& m_clock;
    Workspace& m_workspace;
    MacUsageSessionLog m_sessions;

    QPointer<QTimer> m_timer;
    MacSelectionMatcher m_selection;
    MacSelectionPayload m_sampledSelection;
    std::optional<ForegroundInfo> m_lastForegroundInfo;
    std::optional<QDateTime> m_currentSessionStart;
    qint64 m_todayUsageSeconds = 0;
    QString m_storedDay;
    double m_maxSeenUnix = 0;
    qint64 m_todayUsageMinutes = 0;

    qint64 m_continuousUseSeconds = 0;
    std::optional<QDateTime> m_lastCountedAt;
    qint64 m_eyeRestBreakSeconds = 15 * 60;
};
