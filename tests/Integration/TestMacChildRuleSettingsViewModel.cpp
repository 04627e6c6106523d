#include "Models/RemoteBackendConfig.h"
#include "Services/MacChildRuleSettingsViewModel.h"
#include "support/AwaitTask.h"
#include "support/ParentFamilyFixture.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The rule editor of one child against the real family server.
class TestMacChildRuleSettingsViewModel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_family = std::make_unique<ParentFamilyFixture>();
        QVERIFY2(m_family->start(), qPrintable(m_family->errorString()));
    }

    void cleanup() { m_family.reset(); }

    void loadKeepsAnOffMenuMinute()
    {
        ScreenTimePolicy stored;
        stored.dailyLimitMinutes = 75;
        stored.blockedStart = { 21, 20 };
        stored.blockedEnd = { 7, 45 };
        stored.forceLocked = true;
        stored.eyeRestIntervalMinutes = 30;
        AwaitTask::run(m_family->client->upsertPolicy(m_family->annID, stored, {}));

        auto rules = editor(m_family->annID);
        QVERIFY(rules->isLoading());
        QCOMPARE(rules->workingPolicy(), MacChildRuleSettingsViewModel::initialPolicy());
        AwaitTask::run(rules->appear());
        QCOMPARE(m_family->config->selectedChildDeviceID(), m_family->annID);
        QVERIFY(!rules->isLoading());
        QVERIFY(!rules->errorMessage());
        const auto policy = rules->workingPolicy();
        QCOMPARE(policy.dailyLimitMinutes, 75);
        QCOMPARE(policy.blockedStart, (DateComponents { 21, 20 }));
        QCOMPARE(MacChildRuleSettingsViewModel::hourIndex(policy.blockedStart), 21);
        QCOMPARE(MacChildRuleSettingsViewModel::minuteIndex(policy.blockedStart), -1);
        QCOMPARE(MacChildRuleSettingsViewModel::minuteIndex(policy.blockedEnd), 3);
        QVERIFY(policy.forceLocked);
        QCOMPARE(policy.eyeRestIntervalMinutes, 45);
        QCOMPARE(policy.eyeRestRestMinutes, 15);

        // Choosing an hour leaves the off-menu minute as it was.
        rules->setBlockedStart(MacChildRuleSettingsViewModel::withHour(policy.blockedStart, 22));
        QCOMPARE(rules->workingPolicy().blockedStart, (DateComponents { 22, 20 }));

        rules->disappear();
        QCOMPARE(m_family->config->selectedChildDeviceID(), QString());
    }

    void loadRetriesOnceOnATransientError_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<bool>("loaded");
        QTest::newRow("first attempt refused") << 1 << true;
        QTest::newRow("both attempts refused") << 2 << false;
    }

    void loadRetriesOnceOnATransientError()
    {
        QFETCH(int, failures);
        QFETCH(bool, loaded);
        ScreenTimePolicy stored;
        stored.dailyLimitMinutes = 33;
        AwaitTask::run(m_family->client->upsertPolicy(m_family->annID, stored, {}));
        int policyReads = 0;
        m_family->session.setFault([&](QNetworkAccessManager::Operation op, const QUrl& url) {
            return op == QNetworkAccessManager::GetOperation && url.path().contains(u"/policy"_s)
                && ++policyReads <= failures;
        });

        auto rules = editor(m_family->annID);
        AwaitTask::run(rules->load());
        QCOMPARE(policyReads, 2);
        QCOMPARE(rules->errorMessage().has_value(), !loaded);
        QCOMPARE(rules->workingPolicy().dailyLimitMinutes, loaded ? 33 : 120);
        QVERIFY(!rules->isLoading());
    }

    void healthLineFailsQuietly()
    {
        auto rules = editor(m_family->annID);
        m_family->session.setFault([](auto, const QUrl&) { return true; });
        AwaitTask::run(rules->loadHealthSnapshot());
        QVERIFY(!rules->healthSummary());
        QVERIFY(!rules->errorMessage());
    }

    // The parent reads the child's guard as the child found it, through the family server.
    void guardStateLine_data()
    {
        QTest::addColumn<QString>("guardState");
        QTest::addColumn<QString>("mode"); // empty: not said
        QTest::addColumn<QString>("line");
        QTest::newRow("never reported") << QString() << QString() << u"设备健康尚未上报"_s;
        QTest::newRow("running on X11") << u"running"_s << u"x11"_s << u"设备监管状态：就绪\n运行方式：X11"_s;
        QTest::newRow("running on KDE Plasma")
            << u"running"_s << u"kwin"_s << u"设备监管状态：就绪\n运行方式：KWin 脚本"_s;
        QTest::newRow("stopped, by process only")
            << u"stopped"_s << u"processOnly"_s
            << u"设备监管状态：孩子守护已安装，但没有运行\n运行方式：仅进程"_s;
        QTest::newRow("not possible here, mode from a newer client")
            << u"unavailable"_s << u"mir"_s
            << u"设备监管状态：这台电脑无法安装孩子守护（缺少 pkexec 或 polkit）"_s;
    }

    void guardStateLine()
    {
        QFETCH(QString, guardState);
        QFETCH(QString, mode);
        QFETCH(QString, line);
        PutDeviceHealthPayload health;
        health.notificationsOk = health.usageAccessOk = health.overlayOk = true;
        health.deviceAdminOk = guardState == u"running"_s;
        health.platform = u"mac"_s;
        health.managedSelectionOk = true;
        health.guardState = guardState;
        if (!mode.isEmpty()) {
            health.enforcementMode = mode;
        }
        if (!guardState.isEmpty()) {
            AwaitTask::run(m_family->client->putDeviceHealth(m_family->annID, health));
        }
        auto rules = editor(m_family->annID);
        AwaitTask::run(rules->loadHealthSnapshot());
        QCOMPARE(rules->healthSummary(), std::optional(line));
    }

    void saveClosesOnlyOnSuccess()
    {
        auto rules = editor(m_family->annID);
        AwaitTask::run(rules->load());
        QSignalSpy dismissed(rules.get(), &MacChildRuleSettingsViewModel::dismissRequested);
        rules->setDailyLimitMinutes(90);
        rules->setBlockedEnd({ 6, 30 });
        rules->setForceLocked(true);

        m_family->session.setFault([](auto, const QUrl&) { return true; });
        AwaitTask::run(rules->save());
        QCOMPARE(dismissed.count(), 0);

        m_family->session.setFault({});
        AwaitTask::run(rules->save());
        QVERIFY(!rules->errorMessage());
        QCOMPARE(dismissed.count(), 1);
        const auto stored = storedPolicy(m_family->annID);
        QCOMPARE(stored.dailyLimitMinutes, 90);
        QCOMPARE(stored.blockedEnd, (TimeComponentsPayload { 6, 30 }));
        QCOMPARE(stored.forceLocked, std::optional(true));
    }

    void switchingTheLockOnEndsATemporaryUnlock_data()
    {
        QTest::addColumn<bool>("storedLock");
        QTest::addColumn<QList<bool>>("switches");
        QTest::addColumn<bool>("unlockKept");
        QTest::newRow("switched on") << false << QList<bool> { true } << false;
        QTest::newRow("left on, limit edited") << true << QList<bool> {} << true;
        QTest::newRow("switched off") << true << QList<bool> { false } << true;
    }

    void switchingTheLockOnEndsATemporaryUnlock()
    {
        QFETCH(bool, storedLock);
        QFETCH(QList<bool>, switches);
        QFETCH(bool, unlockKept);
        // As after an approved request: extra time running, whatever the lock switch says.
        ScreenTimePolicy stored;
        stored.forceLocked = storedLock;
        stored.unlockUntil = QDateTime::currentDateTimeUtc().addSecs(20 * 60);
        AwaitTask::run(m_family->client->upsertPolicy(m_family->annID, stored, {}));

        auto rules = editor(m_family->annID);
        AwaitTask::run(rules->load());
        QVERIFY(rules->workingPolicy().unlockUntil.has_value());
        rules->setDailyLimitMinutes(100);
        for (const bool on : switches) {
            rules->setForceLocked(on);
        }
        AwaitTask::run(rules->save());
        QVERIFY(!rules->errorMessage());
        QCOMPARE(storedPolicy(m_family->annID).unlockUntil.has_value(), unlockKept);
    }

    void copyWithNoOtherChild()
    {
        AwaitTask::run(m_family->client->deleteDevice(m_family->benID, m_family->familyCode));
        auto rules = editor(m_family->annID);
        AwaitTask::run(rules->load());
        rules->setDailyLimitMinutes(10);
        AwaitTask::run(rules->applyToOtherChildren());
        QCOMPARE(rules->errorMessage(), std::optional(u"没有其他孩子设备"_s));
        QVERIFY(!rules->isSaving());
        // Not even the edited child itself was written.
        QCOMPARE(storedPolicy(m_family->annID).dailyLimitMinutes, 120);
    }

    void copyToTwoChildrenNeverCopiesTheLock()
    {
        const auto cat = m_family->addDevice(RemoteDeviceRole::child, u"Cat"_s);
        auto rules = editor(m_family->annID);
        AwaitTask::run(rules->load());
        rules->setDailyLimitMinutes(50);
        rules->setBlockedStart({ 19, 15 });
        rules->setForceLocked(true);
        AwaitTask::run(rules->applyToOtherChildren());
        QCOMPARE(rules->errorMessage(), std::optional(u"已用到另外 2 个孩子。立即锁定不会一起复制。"_s));
        for (const auto& id : { m_family->benID, cat }) {
            const auto stored = storedPolicy(id);
            QCOMPARE(stored.dailyLimitMinutes, 50);
            QCOMPARE(stored.blockedStart, (TimeComponentsPayload { 19, 15 }));
            QCOMPARE(stored.forceLocked, std::optional(false));
        }
        // The edited child itself is saved only by "保存规则".
        QCOMPARE(storedPolicy(m_family->annID).dailyLimitMinutes, 120);
        QVERIFY(rules->workingPolicy().forceLocked);
    }

    void copyFailingPartWayKeepsEarlierTargets()
    {
        const auto cat = m_family->addDevice(RemoteDeviceRole::child, u"Cat"_s);
        const auto dan = m_family->addDevice(RemoteDeviceRole::child, u"Dan"_s);
        m_family->session.setFault([&](QNetworkAccessManager::Operation op, const QUrl& url) {
            return op == QNetworkAccessManager::PutOperation && url.path().contains(cat);
        });
        auto rules = editor(m_family->annID);
        AwaitTask::run(rules->load());
        rules->setDailyLimitMinutes(25);
        AwaitTask::run(rules->applyToOtherChildren());
        QVERIFY(rules->errorMessage().has_value());
        QVERIFY(!rules->errorMessage()->contains(u"已用到"_s));
        QVERIFY(!rules->isSaving());
        QCOMPARE(storedPolicy(m_family->benID).dailyLimitMinutes, 25);
        QCOMPARE(storedPolicy(cat).dailyLimitMinutes, 120);
        QCOMPARE(storedPolicy(dan).dailyLimitMinutes, 120);
    }

    void deleteClearsTheSelection()
    {
        auto rules = editor(m_family->annID);
        AwaitTask::run(rules->appear());
        QSignalSpy dismissed(rules.get(), &MacChildRuleSettingsViewModel::dismissRequested);

        m_family->session.setFault([](auto, const QUrl&) { return true; });
        AwaitTask::run(rules->deleteChild());
        QVERIFY(rules->errorMessage().has_value());
        QCOMPARE(dismissed.count(), 0);
        QCOMPARE(m_family->config->selectedChildDeviceID(), m_family->annID);

        m_family->session.setFault({});
        AwaitTask::run(rules->deleteChild());
        QCOMPARE(dismissed.count(), 1);
        QCOMPARE(m_family->config->selectedChildDeviceID(), QString());
        const auto devices = AwaitTask::run(m_family->client->fetchDevices(m_family->familyCode));
        QCOMPARE(devices.value->size(), 2);

        // Another child selected meanwhile stays selected when this screen goes.
        auto ben = editor(m_family->benID, u"Ben"_s);
        m_family->config->setSelectedChildDeviceID(u"someone-else"_s);
        ben->disappear();
        QCOMPARE(m_family->config->selectedChildDeviceID(), u"someone-else"_s);
    }

private:
    std::unique_ptr<MacChildRuleSettingsViewModel> editor(const QString& id, const QString& name = u"Ann"_s)
    {
        return std::make_unique<MacChildRuleSettingsViewModel>(DeviceListItem { id, name, u"child"_s },
                                                               *m_family->config);
    }

    PolicyPayload storedPolicy(const QString& id) const
    {
        return AwaitTask::run(m_family->client->fetchPolicy(id))
            .value.value_or(DevicePolicyResponse {})
            .policy;
    }

    std::unique_ptr<ParentFamilyFixture> m_family;
};

QTEST_GUILESS_MAIN(TestMacChildRuleSettingsViewModel)
#include "TestMacChildRuleSettingsViewModel.moc"
