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

// A child that unplugs the network before its blocked period is locked all the
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
    // The limit reached by a counted step is the guard's own test; here the blocked period (20:00)
    // reached by the clock alone, with the network gone.
    void lockedOfflineWithinAMinute()
    {
        ChildComputer computer(QDateTime(QDate(2026, 3, 10), QTime(19, 59, 40), QTimeZone::utc()), QString());
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
            AwaitTask::run(MacRemotePolicySyncService::syncIfChild(config, policies, selection, monitor,
                                                                   workspace, bundle, &overlay));
            QCoreApplication::processEvents();
        };
        cycle();
        QCOMPARE(policies.policy().dailyLimitMinutes, 10);

        // The network goes; the application starts again without it (no cycle starts the monitor).
        server.reset();
        monitor.stop();
        cycle();
        QCOMPARE(policies.policy().dailyLimitMinutes, 10);
        MacLocalLockGuard guard(config, policies, selection, monitor, overlay, notifications, defaults,
                                clock);
        guard.start();
        QCoreApplication::processEvents();
        QVERIFY(monitor.isRunning());
        QVERIFY(!overlay.isAppBlocking());
        QVERIFY(guard.timer().interval() <= 60'000);

        clock.advance(guard.timer().interval() / 1000); // one tick later: 20:00:10
        guard.evaluate();
        QCoreApplication::processEvents();
        QVERIFY(overlay.isAppBlocking());
        QCOMPARE(guard.lastDecision()->reason, LockReason::blockedPeriod);

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
