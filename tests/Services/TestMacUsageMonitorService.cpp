#include "Platform/UserDefaults.h"
#include "Services/MacUsageMonitorService.h"
#include "support/MemoryUserDefaults.h"
#include "support/ScriptedSessionActivity.h"
#include "support/ScriptedWorkspace.h"
#include "support/SettableClock.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {
const QDate kDay(2026, 3, 1);

MacSelectionPayload selectionOf(QStringList bundleIds, QStringList processes = {}, QStringList paths = {})
{
    return { std::move(bundleIds), std::move(processes), std::move(paths), u"mac"_s };
}

const auto kGame = ScriptedWorkspace::app(u"com.example.game"_s, u"Game"_s, u"/opt/game/bin/game"_s);
const auto kEditor = ScriptedWorkspace::app(u"org.example.editor"_s, u"Editor"_s, u"/usr/bin/editor"_s);
} // namespace

class TestMacUsageMonitorService : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        MemoryUserDefaults defaults;
        SettableClock clock { QDateTime(kDay, QTime(12, 0), QTimeZone::utc()) };
        ScriptedWorkspace workspace;
        ScriptedSessionActivity session;
    };
    std::optional<Fixture> m;

    std::unique_ptr<MacUsageMonitorService> makeMonitor()
    {
        return std::make_unique<MacUsageMonitorService>(m->defaults, m->clock, m->workspace);
    }

    static void fireAfter(MacUsageMonitorService& monitor, SettableClock& clock, double seconds)
    {
        clock.setNow(clock.now().addMSecs(qint64(seconds * 1000)));
        monitor.sample();
    }

private slots:
    void init() { m.emplace(); }
    void cleanup() { m.reset(); }

    void countsSteps_data()
    {
        QTest::addColumn<QList<double>>("gaps");
        QTest::addColumn<QList<qint64>>("totalsMs");
        QTest::newRow("from the first look, to the millisecond")
            << QList<double> { 0, 3 } << QList<qint64> { 0, 3000 };
        QTest::newRow("short and uneven steps are not rounded away")
            << QList<double> { 0, 3, 2.6, 3.25 } << QList<qint64> { 0, 3000, 5600, 8850 };
        QTest::newRow("sleep of ten minutes adds 10 s")
            << QList<double> { 0, 3, 600 } << QList<qint64> { 0, 3000, 13000 };
        QTest::newRow("clock set back: step restarts, counting resumes")
            << QList<double> { 0, 3, -3600, 3 } << QList<qint64> { 0, 3000, 3000, 6000 };
    }

    void countsSteps()
    {
        QFETCH(QList<double>, gaps);
        QFETCH(QList<qint64>, totalsMs);
        m->workspace.frontmost = kGame;
        auto monitor = makeMonitor();
        monitor->start(selectionOf({ u"com.example.game"_s }));
        for (qsizetype i = 0; i < gaps.size(); ++i) {
            fireAfter(*monitor, m->clock, gaps[i]);
            QCOMPARE(monitor->todayUsageMilliseconds(), totalsMs[i]);
        }
        // Stored as whole seconds (as before) and the milliseconds below them; a restart reads both.
        const auto stored = m->defaults.dictionary(MacUsageMonitorService::storageKey).value();
        QCOMPARE(stored.value(u"seconds"_s).toLongLong(), totalsMs.last() / 1000);
        QCOMPARE(stored.value(MacUsageMonitorService::remainderKey).toLongLong(), totalsMs.last() % 1000);
        monitor.reset();
        QCOMPARE(makeMonitor()->todayUsageMilliseconds(), totalsMs.last());
    }

    void countsRunningProcessWhereNoWindowIsSeen_data()
    {
        QTest::addColumn<EnforcementMode>("mode");
        QTest::addColumn<bool>("running");
        QTest::addColumn<SessionActivity::State>("session");
        QTest::addColumn<qint64>("seconds");
        using State = SessionActivity::State;
        QTest::newRow("running, session in use")
            << EnforcementMode::processOnly << true << State::inUse << qint64(3);
        QTest::newRow("running, session idle or locked")
            << EnforcementMode::processOnly << true << State::away << qint64(0);
        QTest::newRow("running, no logind")
            << EnforcementMode::processOnly << true << State::unknown << qint64(3);
        QTest::newRow("not running") << EnforcementMode::processOnly << false << State::inUse << qint64(0);
        QTest::newRow("windows seen, none in front")
            << EnforcementMode::x11 << true << State::inUse << qint64(0);
    }

    void countsRunningProcessWhereNoWindowIsSeen()
    {
        QFETCH(EnforcementMode, mode);
        QFETCH(bool, running);
        QFETCH(SessionActivity::State, session);
        QFETCH(qint64, seconds);
        m->workspace.mode = mode;
        m->workspace.executables.insert(u"com.example.game"_s, { u"/opt/game/bin/game"_s });
        if (running) {
            m->workspace.processes.processesByExecutable.insert(u"/opt/game/bin/game"_s, { 4242 });
        }
        m->session.answer = session;
        MacUsageMonitorService monitor(m->defaults, m->clock, m->workspace, m->workspace.processes,
                                       m->session);
        monitor.start(selectionOf({ u"com.example.game"_s }));
        fireAfter(monitor, m->clock, 3);
        QCOMPARE(monitor.todayUsageSeconds(), seconds);
    }

    void leavingTheAppDropsTheStep()
    {
        m->workspace.frontmost = kGame;
        auto monitor = makeMonitor();
        monitor->start(selectionOf({ u"com.example.game"_s }));
        fireAfter(*monitor, m->clock, 0);
        m->workspace.frontmost = kEditor;
        fireAfter(*monitor, m->clock, 3);
        QVERIFY(!monitor->currentSessionStart());
        QVERIFY(!monitor->lastForegroundInfo());
        m->workspace.frontmost.reset();
        fireAfter(*monitor, m->clock, 3);
        m->workspace.frontmost = kGame;
        fireAfter(*monitor, m->clock, 3);
        QCOMPARE(monitor->todayUsageSeconds(), 0);
        fireAfter(*monitor, m->clock, 3);
        QCOMPARE(monitor->todayUsageSeconds(), 3);
    }

    void matching_data()
    {
        QTest::addColumn<MacSelectionPayload>("selection");
        QTest::addColumn<RunningApplication>("app");
        QTest::addColumn<bool>("matches");
        const auto game = kGame;
        QTest::newRow("bundle id ignores case") << selectionOf({ u"com.example.Game"_s }) << game << true;
        QTest::newRow("process name ignores case") << selectionOf({}, { u"GAME"_s }) << game << true;
        QTest::newRow("empty selection") << selectionOf({}) << game << false;
        QTest::newRow("install folder") << selectionOf({}, {}, { u"/OPT/game"_s }) << game << true;
        QTest::newRow("executable itself")
            << selectionOf({}, {}, { u"/opt/game/bin/game"_s }) << game << true;
        QTest::newRow("path suffix") << selectionOf({}, {}, { u"/bin/game"_s }) << game << true;
        QTest::newRow("folder name prefix is not a folder")
            << selectionOf({}, {}, { u"/opt/ga"_s }) << game << false;
        QTest::newRow("bare slash never matches") << selectionOf({}, {}, { u"/"_s }) << game << false;
        QTest::newRow("bundle executable inside .app")
            << selectionOf({}, {}, { u"/Applications/Game.app"_s })
            << ScriptedWorkspace::app({}, {}, u"/Applications/Game.app/Contents/MacOS/Game"_s) << true;
        QTest::newRow("absent id and name")
            << selectionOf({ u""_s }, { u""_s }) << ScriptedWorkspace::app({}, {}, u"/usr/bin/x"_s) << false;
    }

    void matching()
    {
        QFETCH(MacSelectionPayload, selection);
        QFETCH(RunningApplication, app);
        QFETCH(bool, matches);
        m->workspace.frontmost = app;
        auto monitor = makeMonitor();
        monitor->start(selection);
        fireAfter(*monitor, m->clock, 0);
        fireAfter(*monitor, m->clock, 3);
        QCOMPARE(monitor->todayUsageSeconds(), matches ? 3 : 0);
    }

    void loadFallbacks_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<qint64>("seconds");
        QTest::addColumn<QString>("storedDay");
        const auto day = u"2026-03-01"_s;
        QTest::newRow("minutes only")
            << QVariant(QVariantMap { { u"date"_s, day }, { u"minutes"_s, 30 } }) << qint64(1800) << day;
        QTest::newRow("seconds win") << QVariant(
            QVariantMap { { u"date"_s, day }, { u"minutes"_s, 30 }, { u"seconds"_s, 1799 } })
                                     << qint64(1799) << day;
        QTest::newRow("seconds as text falls back to minutes")
            << QVariant(QVariantMap { { u"date"_s, day }, { u"minutes"_s, 2 }, { u"seconds"_s, u"99"_s } })
            << qint64(120) << day;
        QTest::newRow("date not text: fresh day")
            << QVariant(QVariantMap { { u"date"_s, 20260301 }, { u"seconds"_s, 50 } }) << qint64(0) << day;
        QTest::newRow("not a dictionary") << QVariant(u"garbage"_s) << qint64(0) << day;
        QTest::newRow("earlier day rolls over")
            << QVariant(QVariantMap { { u"date"_s, u"2026-02-28"_s }, { u"seconds"_s, 500 } }) << qint64(0)
            << day;
        QTest::newRow("later day kept")
            << QVariant(QVariantMap { { u"date"_s, u"2026-03-05"_s }, { u"seconds"_s, 42 } }) << qint64(42)
            << u"2026-03-05"_s;
        QTest::newRow("overflowing minutes")
            << QVariant(QVariantMap { { u"date"_s, day }, { u"minutes"_s, Q_INT64_C(0x7fffffffffffffff) } })
            << qint64(0) << day;
    }

    void loadFallbacks()
    {
        QFETCH(QVariant, stored);
        QFETCH(qint64, seconds);
        QFETCH(QString, storedDay);
        m->defaults.setObject(MacUsageMonitorService::storageKey, stored);
        auto monitor = makeMonitor();
        monitor->resetDayIfNeeded();
        QCOMPARE(monitor->todayUsageSeconds(), seconds);
        QCOMPARE(monitor->todayUsageMinutes(), seconds / 60);
        QCOMPARE(monitor->storedDay(), storedDay);
    }

    void savedTotalFormat()
    {
        auto monitor = makeMonitor();
        monitor->raiseTodayUsage(119);
        QCOMPARE(monitor->todayUsageMinutes(), 1);
        monitor->raiseTodayUsage(60);
        QCOMPARE(monitor->todayUsageSeconds(), 119);
        QSignalSpy changed(monitor.get(), &MacUsageMonitorService::todayUsageMinutesChanged);
        monitor->raiseTodayUsage(120);
        QCOMPARE(monitor->todayUsageMinutes(), 2);
        QCOMPARE(changed.size(), 1);
        const auto stored = m->defaults.dictionary(MacUsageMonitorService::storageKey).value();
        QCOMPARE(stored.value(u"date"_s), QVariant(u"2026-03-01"_s));
        QCOMPARE(UserDefaults::kindOf(stored.value(u"minutes"_s)), UserDefaults::Kind::Integer);
        QCOMPARE(stored.value(u"minutes"_s).toLongLong(), 2);
        QCOMPARE(stored.value(u"seconds"_s).toLongLong(), 120);
        QCOMPARE(UserDefaults::kindOf(stored.value(u"maxUnix"_s)), UserDefaults::Kind::Double);
        QCOMPARE(stored.value(u"maxUnix"_s).toDouble(), double(m->clock.now().toSecsSinceEpoch()));
    }

    void clockRollbackGuard_data()
    {
        QTest::addColumn<QTime>("clockAt");
        QTest::addColumn<bool>("rollsOver");
        QTest::newRow("121 s behind: frozen") << QTime(9, 57, 59) << false;
        QTest::newRow("120 s behind: day check runs") << QTime(9, 58, 0) << true;
    }

    void clockRollbackGuard()
    {
        QFETCH(QTime, clockAt);
        QFETCH(bool, rollsOver);
        const QDateTime latest(kDay.addDays(1), QTime(10, 0), QTimeZone::utc());
        m->defaults.setObject(MacUsageMonitorService::storageKey,
                              QVariantMap { { u"date"_s, u"2026-03-01"_s },
                                            { u"seconds"_s, 300 },
                                            { u"maxUnix"_s, double(latest.toSecsSinceEpoch()) } });
        m->clock.setNow(QDateTime(kDay.addDays(1), clockAt, QTimeZone::utc()));
        auto monitor = makeMonitor();
        QCOMPARE(monitor->storedDay(), rollsOver ? u"2026-03-02"_s : u"2026-03-01"_s);
        QCOMPARE(monitor->todayUsageSeconds(), rollsOver ? 0 : 300);
        QCOMPARE(monitor->maxSeenUnix(), double(latest.toSecsSinceEpoch()));
    }

    void midnight()
    {
        m->clock.setNow(QDateTime(kDay, QTime(23, 59, 54), QTimeZone::utc()));
        m->workspace.frontmost = kGame;
        auto monitor = makeMonitor();
        monitor->start(selectionOf({ u"com.example.game"_s }));
        fireAfter(*monitor, m->clock, 0);
        fireAfter(*monitor, m->clock, 3);
        QCOMPARE(monitor->getTodaySessionsForReport().size(), 1);
        m->clock.setNow(QDateTime(kDay.addDays(1), QTime(0, 0, 1), QTimeZone::utc()));
        // Right after midnight the report is the new day's, before anything is counted.
        QVERIFY(monitor->getTodaySessionsForReport().isEmpty());
        monitor->sample();
        QCOMPARE(monitor->storedDay(), u"2026-03-02"_s);
        QCOMPARE(monitor->todayUsageSeconds(), 4);
        const auto sessions = monitor->getTodaySessionsForReport();
        QCOMPARE(sessions.size(), 1);
        const auto record = sessions.first().toMap();
        QCOMPARE(record.value(u"startAt"_s).toString(), u"2026-03-01T23:59:57.000Z"_s);
        QCOMPARE(record.value(u"endAt"_s).toString(), u"2026-03-02T00:00:01.000Z"_s);
        QCOMPARE(record.value(u"appBundleId"_s).toString(), u"com.example.game"_s);
        QCOMPARE(record.value(u"durationSeconds"_s).toLongLong(), 4);
        // Yesterday's records are closed into the day dictionary in the documented format.
        const auto days = m->defaults.dictionary(MacUsageMonitorService::sessionsKey).value();
        QCOMPARE(days.value(u"2026-03-01"_s).toList().size(), 1);
    }

    void sessionsStayCompleteAndOldDaysArePruned()
    {
        m->defaults.setObject(
            MacUsageMonitorService::sessionsKey,
            QVariantMap { { u"2026-02-20"_s, QVariantList { QVariantMap { { u"a"_s, 1 } } } },
                          { u"2026-02-28"_s, u"not an array"_s } });
        m->workspace.frontmost = kGame;
        auto monitor = makeMonitor();
        const auto writesAtStart = m->defaults.writeCount(MacUsageMonitorService::sessionsKey);
        monitor->start(selectionOf({ u"com.example.game"_s }));
        fireAfter(*monitor, m->clock, 0);
        const int steps = MacUsageSessionLog::segmentSize * 2 + 5;
        for (int i = 0; i < steps; ++i) {
            fireAfter(*monitor, m->clock, 3.25);
        }
        const auto sessions = monitor->getTodaySessionsForReport();
        QCOMPARE(sessions.size(), steps);
        QString previous;
        for (const auto& session : sessions) {
            const auto start = session.toMap().value(u"startAt"_s).toString();
            QVERIFY2(start > previous, qPrintable(start));
            previous = start;
        }
        // The day dictionary is not rewritten while the day is being counted.
        QCOMPARE(m->defaults.writeCount(MacUsageMonitorService::sessionsKey), writesAtStart);
        const auto days = m->defaults.dictionary(MacUsageMonitorService::sessionsKey).value();
        QVERIFY(!days.contains(u"2026-02-20"_s));
        QVERIFY(days.contains(u"2026-02-28"_s)); // yesterday is kept

        // A restart keeps today's records and keeps appending to them.
        monitor.reset();
        auto restarted = makeMonitor();
        QCOMPARE(restarted->getTodaySessionsForReport().size(), steps);
        restarted->start(selectionOf({ u"com.example.game"_s }));
        fireAfter(*restarted, m->clock, 0);
        fireAfter(*restarted, m->clock, 3);
        QCOMPARE(restarted->getTodaySessionsForReport().size(), steps + 1);
    }

    void eyeRestStretch()
    {
        m->workspace.frontmost = kGame;
        auto monitor = makeMonitor();
        monitor->setEyeRestBreakSeconds(60);
        monitor->start(selectionOf({ u"com.example.game"_s }));
        fireAfter(*monitor, m->clock, 0);
        fireAfter(*monitor, m->clock, 3);
        fireAfter(*monitor, m->clock, 3);
        QCOMPARE(monitor->continuousUseSeconds(), 6);
        // A sleep of 59 s with the game in front is not a break; 61 s is.
        fireAfter(*monitor, m->clock, 59 + 10);
        QCOMPARE(monitor->continuousUseSeconds(), 16);
        fireAfter(*monitor, m->clock, 61 + 10);
        QCOMPARE(monitor->continuousUseSeconds(), 10);
        // Killing the application does not end a stretch (or a break).
        const auto last = monitor->lastCountedAt();
        monitor.reset();
        auto restarted = makeMonitor();
        QCOMPARE(restarted->continuousUseSeconds(), 10);
        QCOMPARE(restarted->lastCountedAt(), last);
    }
};

QTEST_GUILESS_MAIN(TestMacUsageMonitorService)
#include "TestMacUsageMonitorService.moc"
