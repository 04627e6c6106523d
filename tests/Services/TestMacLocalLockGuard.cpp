#include "Services/MacLocalLockGuard.h"
#include "Services/MacLockWarnings.h"
#include "support/ChildComputer.h"
#include "support/RecordingNotifications.h"
#include "support/RecordingOverlay.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Kind = MacLockWarnings::Kind;

Q_DECLARE_METATYPE(QList<MacLockWarnings::Kind>)

namespace {
const QDate kDay(2026, 3, 10);

// One look of the guard: the rules a parent has set by then, the time, and today's count.
struct Look
{
    qint64 limit;
    QTime periodStart;
    QTime at;
    qint64 usedSeconds;
};

} // namespace

Q_DECLARE_METATYPE(QList<Look>)

// The local lock guard's own decisions: when it acts on the overlay, the clock set back, and the
// warnings before a lock.
class TestMacLocalLockGuard : public QObject
{
    Q_OBJECT

    std::unique_ptr<ChildComputer> m_child;
    std::unique_ptr<MacLocalLockGuard> m_guard;
    std::unique_ptr<RecordingNotifications> m_notifications;
    RecordingOverlay m_overlay;
    QStringList m_banners;

    void makeGuard()
    {
        m_child->monitor
            = std::make_unique<MacUsageMonitorService>(m_child->defaults, m_child->clock, m_child->workspace);
        m_guard = std::make_unique<MacLocalLockGuard>(m_child->config, m_child->policies, *m_child->selection,
                                                      *m_child->monitor, m_overlay, *m_notifications,
                                                      m_child->defaults, m_child->clock);
        m_guard->presentBanner = [this](const QString& text) { m_banners.append(text); };
    }

    void look()
    {
        m_guard->evaluate();
        QCoreApplication::processEvents(); // the overlay is driven from the event loop
    }

    void setPolicy(qint64 limit, DateComponents start, DateComponents end)
    {
        m_child->policies.update([&](ScreenTimePolicy& policy) {
            policy.dailyLimitMinutes = limit;
            policy.blockedStart = start;
            policy.blockedEnd = end;
        });
    }

private slots:
    void init()
    {
        m_child = std::make_unique<ChildComputer>(QDateTime(kDay, QTime(12, 0), QTimeZone::utc()),
                                                  u"http://127.0.0.1:9"_s);
        m_notifications = std::make_unique<RecordingNotifications>();
        m_overlay.calls.clear();
        m_overlay.recordsTargets = false;
        m_banners.clear();
        makeGuard();
    }

    void cleanup()
    {
        m_guard.reset();
        m_notifications.reset();
        m_child.reset();
    }

    // It acts only when its own answer changes: a lock put up by the synchronisation for a reason
    // the guard's answer does not contain is left alone, and a running temporary unlock wins.
    void actsOnlyOnChangesOfItsAnswer()
    {
        setPolicy(10, { 20, 0 }, { 8, 0 });
        m_child->monitor->raiseTodayUsage(9 * 60);
        m_guard->start();
        QCoreApplication::processEvents();
        QCOMPARE(m_overlay.calls, QStringList { u"hide"_s });
        // Offline after a restart nothing else counts use or looks at the clock.
        QVERIFY(m_child->monitor->isRunning());
        QVERIFY(m_guard->timer().interval() <= 60'000);

        m_overlay.calls.clear();
        look(); // the overlay is now whatever the cycle made it; the same answer changes nothing
        QVERIFY(m_overlay.calls.isEmpty());

        m_child->monitor->raiseTodayUsage(10 * 60);
        look();
        QCOMPARE(m_overlay.calls, QStringList { u"appBlock"_s });
        m_child->policies.update(
            [this](ScreenTimePolicy& policy) { policy.unlockUntil = m_child->clock.now().addSecs(900); });
        look();
        QCOMPARE(m_overlay.calls, (QStringList { u"appBlock"_s, u"hide"_s }));
        m_child->clock.advance(900); // the unlock has ended at its instant
        look();
        QCOMPARE(m_overlay.calls, (QStringList { u"appBlock"_s, u"hide"_s, u"appBlock"_s }));

        // A computer that is no longer a bound child is left alone.
        m_child->config.setRole(RemoteDeviceRole::parent);
        m_child->policies.update([](ScreenTimePolicy& policy) { policy.dailyLimitMinutes = 600; });
        look();
        QCOMPARE(m_overlay.calls.size(), 3);
        QVERIFY(!m_guard->lastDecision());
    }

    // A clock set back 2 hours at 23:59: the blocked period that began at 23:00 stays locked.
    void clockSetBackUnlocksNothing()
    {
        setPolicy(600, { 23, 0 }, { 7, 0 });
        m_child->clock.setNow(QDateTime(kDay, QTime(23, 59), QTimeZone::utc()));
        m_child->monitor->raiseTodayUsage(3000);
        m_guard->start();
        QCoreApplication::processEvents();
        QCOMPARE(m_overlay.calls, QStringList { u"appBlock"_s });
        QCOMPARE(m_guard->lastDecision()->reason, MacPolicyExecutor::LockReason::blockedPeriod);

        m_child->clock.setNow(QDateTime(kDay, QTime(21, 59), QTimeZone::utc()));
        look();
        m_child->clock.setNow(QDateTime(kDay.addDays(1), QTime(0, 30), QTimeZone::utc()).addSecs(-7200));
        look();
        QCOMPARE(m_overlay.calls, QStringList { u"appBlock"_s });
        QCOMPARE(m_guard->lastDecision()->reason, MacPolicyExecutor::LockReason::blockedPeriod);
        // Once the clock is right again the rules judge the real time.
        m_child->clock.setNow(QDateTime(kDay.addDays(1), QTime(7, 0), QTimeZone::utc()));
        look();
        QCOMPARE(m_overlay.calls.last(), u"hide"_s);
    }

    void warningTimes_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<qint64>("usedSeconds");
        QTest::addColumn<QTime>("at");
        QTest::addColumn<bool>("unlocked");
        QTest::addColumn<QList<Kind>>("expected");
        // Blocked period 21:00-07:00 in every row.
        QTest::newRow("limit in 5:01")
            << qint64(60) << qint64(55 * 60 - 1) << QTime(12, 0) << false << QList<Kind> {};
        QTest::newRow("limit in 5:00")
            << qint64(60) << qint64(55 * 60) << QTime(12, 0) << false << QList<Kind> { Kind::dailyLimitIn5 };
        QTest::newRow("limit in 1:00")
            << qint64(60) << qint64(59 * 60) << QTime(12, 0) << false << QList<Kind> { Kind::dailyLimitIn1 };
        QTest::newRow("limit reached")
            << qint64(60) << qint64(60 * 60) << QTime(12, 0) << false << QList<Kind> {};
        QTest::newRow("period in 5:00")
            << qint64(600) << qint64(0) << QTime(20, 55) << false << QList<Kind> { Kind::blockedPeriodIn5 };
        QTest::newRow("period in 0:30") << qint64(600) << qint64(0) << QTime(20, 59, 30) << false
                                        << QList<Kind> { Kind::blockedPeriodIn1 };
        QTest::newRow("both at once") << qint64(60) << qint64(56 * 60) << QTime(20, 59) << false
                                      << QList<Kind> { Kind::dailyLimitIn5, Kind::blockedPeriodIn1 };
        QTest::newRow("temporary unlock")
            << qint64(60) << qint64(59 * 60) << QTime(20, 59) << true << QList<Kind> {};
    }

    void warningTimes()
    {
        QFETCH(qint64, limit);
        QFETCH(qint64, usedSeconds);
        QFETCH(QTime, at);
        QFETCH(bool, unlocked);
        QFETCH(QList<Kind>, expected);
        ScreenTimePolicy policy;
        policy.dailyLimitMinutes = limit;
        policy.blockedStart = { 21, 0 };
        policy.blockedEnd = { 7, 0 };
        const QDateTime now(kDay, at, QTimeZone::utc());
        if (unlocked) {
            policy.unlockUntil = now.addSecs(60);
        }
        QCOMPARE(MacLockWarnings::due(policy, usedSeconds, now), expected);
    }

    // Each warning is given once a day, notification and banner, and a restart does not repeat it.
    void warningsOnceADay()
    {
        setPolicy(60, { 21, 0 }, { 7, 0 });
        m_child->monitor->raiseTodayUsage(56 * 60);
        look();
        look();
        QCOMPARE(m_notifications->requests().size(), 1);
        QCOMPARE(m_notifications->requests().first().title, u"岚哨"_s);
        QCOMPARE(m_notifications->requests().first().body, u"今日使用还剩 4 分钟，到时受控应用会被锁定。"_s);
        QCOMPARE(m_banners, QStringList { m_notifications->requests().first().body });

        m_guard.reset();
        makeGuard();
        look();
        QCOMPARE(m_notifications->requests().size(), 1);
        m_child->monitor->raiseTodayUsage(59 * 60 + 30);
        look();
        QCOMPARE(m_notifications->requests().size(), 2);
        QCOMPARE(m_banners.last(), u"今日使用还剩 1 分钟，到时受控应用会被锁定。"_s);

        // The next day warns again; the blocked period has its own marks.
        m_child->clock.setNow(QDateTime(kDay.addDays(1), QTime(20, 56), QTimeZone::utc()));
        m_child->monitor->resetDayIfNeeded();
        m_child->monitor->raiseTodayUsage(55 * 60);
        look();
        QCOMPARE(m_notifications->requests().size(), 4);
        QCOMPARE(m_banners.last(), u"还有 4 分钟进入禁用时段（21:00 开始），到时受控应用会被锁定。"_s);

        // Without controlled applications nothing is locked, so nothing is announced.
        m_child->selection->setPayload({});
        m_child->clock.setNow(QDateTime(kDay.addDays(1), QTime(20, 59, 30), QTimeZone::utc()));
        look();
        QCOMPARE(m_notifications->requests().size(), 4);
    }

    // The text says the minutes really left, and a rule changed by a parent is warned about again.
    void warningsFollowTheRules_data()
    {
        QTest::addColumn<QList<Look>>("looks");
        QTest::addColumn<QStringList>("banners");
        const QTime nine(21, 0);
        QTest::newRow("limit raised")
            << QList<Look> { { 60, nine, QTime(12, 0), 55 * 60 }, { 65, nine, QTime(12, 5), 60 * 60 + 10 } }
            << QStringList { u"今日使用还剩 5 分钟，到时受控应用会被锁定。"_s,
                             u"今日使用还剩 5 分钟，到时受控应用会被锁定。"_s };
        QTest::newRow("period moved")
            << QList<Look> { { 600, nine, QTime(20, 57), 0 }, { 600, QTime(21, 30), QTime(21, 26, 30), 0 } }
            << QStringList { u"还有 3 分钟进入禁用时段（21:00 开始），到时受控应用会被锁定。"_s,
                             u"还有 4 分钟进入禁用时段（21:30 开始），到时受控应用会被锁定。"_s };
    }

    void warningsFollowTheRules()
    {
        QFETCH(QList<Look>, looks);
        QFETCH(QStringList, banners);
        for (const auto& step : looks) {
            setPolicy(step.limit, { step.periodStart.hour(), step.periodStart.minute() }, { 7, 0 });
            m_child->clock.setNow(QDateTime(kDay, step.at, QTimeZone::utc()));
            m_child->monitor->raiseTodayUsage(step.usedSeconds);
            look();
        }
        QCOMPARE(m_banners, banners);
    }

    // A minute of use before the break the child is told; when it begins, the banner gives the
    // reason and the time left, as the applications vanish without a window.
    void eyeRestIsAnnounced()
    {
        setPolicy(600, { 21, 0 }, { 7, 0 });
        m_child->workspace.frontmost
            = ScriptedWorkspace::app(u"com.example.game"_s, u"Game"_s, u"/usr/bin/game"_s);
        m_guard->start();
        m_child->monitor->sample();
        for (int i = 0; i < 44 * 20 - 1; ++i) {
            m_child->clock.advance(3);
            m_child->monitor->sample();
        }
        QVERIFY(m_banners.isEmpty());
        m_child->clock.advance(3);
        m_child->monitor->sample();
        QCOMPARE(m_banners, QStringList { u"再用 1 分钟就到视力保护休息时间，受控应用将暂停 15 分钟。"_s });
        for (int i = 0; i < 20; ++i) {
            m_child->clock.advance(3);
            m_child->monitor->sample();
        }
        QCoreApplication::processEvents();
        QCOMPARE(m_overlay.calls.last(), u"appBlock"_s);
        QCOMPARE(m_banners.last(), u"视力保护休息中（15 分钟）\n休息还剩 15 分钟"_s);
        QCOMPARE(m_banners.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestMacLocalLockGuard)
#include "TestMacLocalLockGuard.moc"
