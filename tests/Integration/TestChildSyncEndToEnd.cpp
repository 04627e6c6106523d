#include "Models/MacAppSelectionStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyRepository.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/Clock.h"
#include "Services/MacRemotePolicySyncService.h"
#include "Services/MacUsageMonitorService.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacLockOverlayWindow.h"
#include "support/AwaitTask.h"
#include "support/FixedAppBundle.h"
#include "support/LoopbackFamilyServer.h"
#include "support/MemoryUserDefaults.h"
#include "support/ScriptedWorkspace.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using MacPolicyExecutor::LockReason;

// A parent's rules reach a bound child through the real family server, and the child's reports
// arrive there.
class TestChildSyncEndToEnd : public QObject
{
    Q_OBJECT

    MemoryUserDefaults m_defaults;
    FixedAppBundle m_bundle;
    ScriptedWorkspace m_workspace;
    LoopbackFamilyServer m_server;
    std::unique_ptr<RemoteAPIClient> m_parent;
    QString m_familyCode;
    QString m_childID;

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

    void parentSets(bool forceLocked)
    {
        ScreenTimePolicy policy;
        policy.dailyLimitMinutes = 600;
        policy.blockedStart = { 0, 0 };
        policy.blockedEnd = { 0, 0 }; // never blocked
        policy.forceLocked = forceLocked;
        await(m_parent->upsertPolicy(m_childID, policy, QVariantMap { { u"source"_s, u"mac"_s } }));
    }

    qint64 storedSessions()
    {
        const auto path = m_server.databaseUrl().mid(u"sqlite:"_s.size());
        qint64 count = -1;
        {
            auto db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"inspect"_s);
            db.setDatabaseName(path);
            if (db.open()) {
                QSqlQuery query(db);
                query.exec(u"SELECT COUNT(*) FROM usage_sessions"_s);
                if (query.next()) {
                    count = query.value(0).toLongLong();
                }
            }
        }
        QSqlDatabase::removeDatabase(u"inspect"_s);
        return count;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.start(), qPrintable(m_server.errorString()));
        m_parent
            = std::make_unique<RemoteAPIClient>(QUrl(m_server.baseUrl()), RemoteAPIClient::sharedSession());
        m_familyCode = await(m_parent->createFamily()).familyCode;
        m_childID = await(m_parent->registerDevice(m_familyCode, RemoteDeviceRole::child, u"小明的电脑"_s))
                        .deviceId;
        QVERIFY(!m_childID.isEmpty());
    }

    void parentRulesReachTheChild()
    {
        RemoteBackendConfig config(m_defaults);
        config.setBaseURLOverride(m_server.baseUrl());
        config.setDeviceID(m_childID);
        config.setFamilyCode(m_familyCode);
        config.setRole(RemoteDeviceRole::child);
        ScreenTimePolicyStore policies(std::make_unique<ScreenTimePolicyRepository>(
            ScreenTimePolicyRepository::defaultStorageKey(), m_defaults));
        MacAppSelectionStore selection(m_defaults);
        selection.setPayload({ { u"com.example.game"_s }, {}, {}, u"mac"_s });
        MacUsageMonitorService monitor(m_defaults, Clock::current(), m_workspace);
        MacLockOverlayController overlay(m_workspace, [] {
            return QList<MacLockOverlayController::Screen> { { nullptr, QRect(0, 0, 1024, 768) } };
        });
        auto cycle = [&] {
            AwaitTask::run(
                MacRemotePolicySyncService::syncIfChild(config, policies, selection, monitor, &overlay));
            QCoreApplication::processEvents();
        };

        // The immediate lock arrives within one cycle and shows the overlay.
        parentSets(true);
        cycle();
        QVERIFY(policies.policy().forceLocked);
        QVERIFY(overlay.isShowing());
        QCOMPARE(overlay.lockReason(), LockReason::forceLocked);
        QVERIFY(overlay.overlayWindows().first()->isVisible());

        // A policy fetch that fails (an unknown device) leaves everything as it was.
        const auto lockedPolicy = policies.policy();
        config.setDeviceID(u"00000000-0000-0000-0000-000000000000"_s);
        cycle();
        QCOMPARE(policies.policy(), lockedPolicy);
        QVERIFY(overlay.isShowing());
        config.setDeviceID(m_childID);

        // Lifting it hides the overlay.
        parentSets(false);
        cycle();
        QVERIFY(!policies.policy().forceLocked);
        QVERIFY(!overlay.isShowing());
        QVERIFY(!overlay.overlayWindows().first()->isVisible());

        // A higher count at the server is taken over, a lower one is not.
        monitor.raiseTodayUsage(100);
        auto put = [&](qint64 seconds) {
            const auto answer = m_server.call("PUT", u"/api/v1/devices/%1/usage/today"_s.arg(m_childID),
                                              "{\"todayUsageSeconds\":" + QByteArray::number(seconds) + "}");
            QCOMPARE(answer.status / 100, 2);
        };
        put(500);
        cycle();
        QCOMPARE(monitor.todayUsageSeconds(), 500);
        put(50);
        cycle();
        QCOMPARE(monitor.todayUsageSeconds(), 500);
        QCOMPARE(await(m_parent->fetchTodayUsageSeconds(m_childID)), 500);

        // Health and sessions arrive.
        m_workspace.frontmost = ScriptedWorkspace::app(u"com.example.game"_s, u"Game"_s, u"/usr/bin/game"_s);
        monitor.start(selection.payload());
        monitor.sample();
        QTest::qWait(3100);
        monitor.sample();
        QCOMPARE(monitor.getTodaySessionsForReport().size(), 1);
        cycle();
        const auto health = await(m_parent->getDeviceHealth(m_childID, m_familyCode));
        QVERIFY(health.reported);
        QCOMPARE(health.platform, u"mac"_s);
        QCOMPARE(health.managedSelectionOk, true);
        QCOMPARE(health.osVersion, u"Test OS 1.0"_s);
        QCOMPARE(storedSessions(), 1);
        monitor.stop();
    }
};

QTEST_MAIN(TestChildSyncEndToEnd)
#include "TestChildSyncEndToEnd.moc"
