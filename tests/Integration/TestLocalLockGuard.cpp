#include "Services/MacLocalLockGuard.h"
#include "Services/MacRemotePolicySyncService.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Views/MacLockOverlayController.h"
#include "support/AwaitTask.h"
#include "support/ChildComputer.h"
#include "support/LoopbackFamilyServer.h"
#include "support/RecordingNotifications.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using MacPolicyExecutor::LockReason;

// A child that unplugs the network before its limit or its blocked period is locked all the
// same, by the local lock guard, and the parent's word wins again once the network is back. The
// child talks to one server; a second one serves the same data for when the network returns.
class TestLocalLockGuard : public QObject
{
    Q_OBJECT

    template <typename T> T await(QCoro::Task<T>&& task)
    {
        auto outcome = AwaitTask::run(std::move(task));
        if (outcome.error) {
            std::rethrow_exception(outcome.error);
        }
        if constexpr (!std::is_void_v<T>) {
            return *outcome.value;
        }
    }

private slots:
    void lockedOfflineWithinAMinute_data()
    {
        QTest::addColumn<QTime>("start");
        QTest::addColumn<qint64>("usedSeconds");
        QTest::addColumn<bool>("playing");
        QTest::addColumn<int>("reason");
        // Limit 10 minutes, blocked period 20:00-08:00.
        QTest::newRow("daily limit, reached by a counted step")
            << QTime(15, 0) << qint64(9 * 60 + 52) << true << int(LockReason::dailyLimit);
        QTest::newRow("blocked period, reached by the clock")
            << QTime(19, 59, 40) << qint64(60) << false << int(LockReason::blockedPeriod);
    }

    void lockedOfflineWithinAMinute()
    {
        QFETCH(QTime, start);
        QFETCH(qint64, usedSeconds);
        QFETCH(bool, playing);
        QFETCH(int, reason);
        ChildComputer computer(QDateTime(QDate(2026, 3, 10), start, QTimeZone::utc()), QString());
        auto& [defaults, clock, workspace, bundle, config, policies, selectionOwner, monitorOwner] = computer;
        MacAppSelectionStore& selection = *selectionOwner;
        MacUsageMonitorService& monitor = *monitorOwner;
        RecordingNotifications notifications;
        LoopbackFamilyServer later; // holds the data; reached once the network is back
        QVERIFY2(later.start(), qPrintable(later.errorString()));
        auto server = std::make_unique<LoopbackFamilyServer>(
            LoopbackFamilyServer::Setup { .sharedDatabaseUrl = later.databaseUrl() });
        QVERIFY2(server->start(), qPrintable(server->errorString()));

        RemoteAPIClient parent(QUrl(later.baseUrl()), RemoteAPIClient::sharedSession());
        const auto code = await(parent.createFamily()).familyCode;
        const auto child
            = await(parent.registerDevice(code, RemoteDeviceRole::child, u"小明的电脑"_s)).deviceId;
        ScreenTimePolicy rules;
        rules.dailyLimitMinutes = 10;
        await(parent.upsertPolicy(child, rules, QVariantMap { { u"source"_s, u"mac"_s } }));

        config.setBaseURLOverride(server->baseUrl());
        config.setDeviceID(child);
        MacLockOverlayController overlay(workspace, workspace.processes, [] {
            return QList<MacLockOverlayController::Screen> { { nullptr, QRect(0, 0, 1024, 768) } };
        });
        auto cycle = [&] {
            AwaitTask::run(
                MacRemotePolicySyncService::syncIfChild(config, policies, selection, monitor, workspace, bundle,
                                                        &overlay));
            QCoreApplication::processEvents();
        };
        cycle();
        QCOMPARE(policies.policy().dailyLimitMinutes, 10);
        monitor.raiseTodayUsage(usedSeconds);

        // The network goes; the application starts again without it (no cycle starts the monitor).
        server.reset();
        monitor.stop();
        cycle();
        QCOMPARE(policies.policy().dailyLimitMinutes, 10);
        MacLocalLockGuard guard(config, policies, selection, monitor, overlay, notifications, defaults, clock);
        guard.start();
        QCoreApplication::processEvents();
        QVERIFY(monitor.isRunning());
        QVERIFY(!overlay.isAppBlocking());
        QVERIFY(guard.timer().interval() <= 60'000);

        workspace.frontmost = ScriptedWorkspace::app(u"com.example.game"_s, u"Game"_s, u"/usr/bin/game"_s);
        if (playing) {
            monitor.sample();
            for (int step = 0; step < 3; ++step) {
                clock.advance(3);
                monitor.sample();
                QCoreApplication::processEvents();
                QCOMPARE(overlay.isAppBlocking(), step == 2); // the step that reaches 10:00
            }
        } else {
            clock.advance(guard.timer().interval() / 1000); // one tick later: 20:00:10
            guard.evaluate();
            QCoreApplication::processEvents();
        }
        QVERIFY(overlay.isAppBlocking());
        QCOMPARE(guard.lastDecision()->reason, LockReason(reason));
        QVERIFY(!notifications.requests().isEmpty()); // the warning came before

        // Back online, the parent's temporary unlock arrives with the next cycle.
        rules.unlockUntil = clock.now().addSecs(15 * 60);
        await(parent.upsertPolicy(child, rules, QVariantMap { { u"source"_s, u"mac"_s } }));
        config.setBaseURLOverride(later.baseUrl());
        cycle();
        QVERIFY(!overlay.isAppBlocking());
        guard.evaluate();
        QCoreApplication::processEvents();
        QVERIFY(!overlay.isAppBlocking());
        monitor.stop();
        guard.stop();
    }
};

QTEST_MAIN(TestLocalLockGuard)
#include "TestLocalLockGuard.moc"
