#include "Models/MacAppSelectionStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyRepository.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Services/ContentViewModel.h"
#include "Services/MacUnlockRequestState.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/UserFriendlyMessage.h"
#include "support/AwaitTask.h"
#include "support/ParentFamilyFixture.h"
#include "support/RecordingOverlay.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The home screen's decisions, against a real family server where the backend is involved.
class TestContentViewModel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_family = std::make_unique<ParentFamilyFixture>();
        QVERIFY2(m_family->start(), qPrintable(m_family->errorString()));
        m_config = m_family->config.get();
        m_selection = std::make_unique<MacAppSelectionStore>();
        m_requests = std::make_unique<MacUnlockRequestState>();
    }

    void cleanup()
    {
        m_selection.reset();
        m_family.reset();
    }

    void diagnosticsTextsPerRole_data()
    {
        QTest::addColumn<RemoteDeviceRole>("role");
        QTest::addColumn<QString>("baseURL");
        QTest::addColumn<QString>("familyCode");
        QTest::addColumn<QString>("expected");

        const QString issues = u"检查完成：发现以下可能影响正常使用的问题——\n\n"_s;
        QTest::newRow("child unbound, nothing selected")
            << RemoteDeviceRole::child << u""_s << u""_s
            << issues + u"1. 孩子设备尚未绑定远程后端，请在「身份 / 基础设置」中加入家庭。\n"_s
                + u"2. 尚未选择受管控的应用，请在「调整规则」中完成一次受控应用选择。"_s;
        QTest::newRow("parent, bad address, no family")
            << RemoteDeviceRole::parent << u"http://[::1"_s << u""_s
            << issues + u"1. 后端服务地址不合法或未配置，家长端无法连接远程控制后端。\n"_s
                + u"2. 尚未创建或恢复家庭，请在「身份 / 基础设置」中创建家庭或输入已有家庭码。"_s;
        QTest::newRow("parent fine, not registered")
            << RemoteDeviceRole::parent << u""_s << u"654321"_s
            << u"检查完成：当前配置看起来正常。\n\n设备角色：家长设备\n家庭码：654321\n远程绑定：未绑定"_s;
    }

    void diagnosticsTextsPerRole()
    {
        QFETCH(RemoteDeviceRole, role);
        QFETCH(QString, baseURL);
        QFETCH(QString, familyCode);
        QFETCH(QString, expected);
        m_config->setRole(role);
        m_config->setBaseURLOverride(baseURL);
        m_config->setDeviceID(QString()); // not registered, in every row
        m_config->setFamilyCode(familyCode);
        ContentViewModel model(m_overlay, *m_requests, [] { return qint64(0); });
        model.runDiagnostics(*m_config, *m_selection);
        QCOMPARE(model.diagnosticsMessage(), expected);
        QVERIFY(model.isDiagnosticsVisible());
    }

    void hiddenTapsCountWithinOnePointTwoSeconds_data()
    {
        QTest::addColumn<QList<int>>("gapsMs");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<int>("countAfter");

        QTest::newRow("exactly 1.2 s apart still counts")
            << QList<int> { 0, 1200, 1200, 1200, 1200 } << true << 0;
        QTest::newRow("a slow tap starts over at one") << QList<int> { 0, 100, 100, 100, 1201 } << false << 1;
        QTest::newRow("slow tap then five quick ones")
            << QList<int> { 0, 100, 1300, 100, 100, 100, 100 } << true << 0;
    }

    void hiddenTapsCountWithinOnePointTwoSeconds()
    {
        QFETCH(QList<int>, gapsMs);
        QFETCH(bool, opens);
        QFETCH(int, countAfter);
        ContentViewModel model(m_overlay, *m_requests, [] { return qint64(0); });
        for (const int gap : gapsMs) {
            m_family->clock.setNow(m_family->clock.now().addMSecs(gap));
            model.registerHiddenTap(*m_config, *m_selection);
        }
        QCOMPARE(model.isDiagnosticsVisible(), opens);
        QCOMPARE(model.hiddenTapCount(), countAfter);
        QCOMPARE(model.lastHiddenTapTime().has_value(), !opens);
    }

    void refreshFailureEmptiesListsAndShowsMessage()
    {
        useAnnsComputer();
        ContentViewModel model(m_overlay, *m_requests, [] { return qint64(0); });
        await(model.refreshChildDevicesForHome(*m_config));
        QCOMPARE(model.childDevices().size(), 3);

        m_config->setFamilyCode(u"000000"_s);
        await(model.refreshChildDevicesForHome(*m_config));
        QVERIFY(model.childDevices().isEmpty());
        QVERIFY(model.homePendingUnlockRequests().isEmpty());
        QVERIFY(model.childDevicesError().has_value());
        QVERIFY(!model.childDevicesError()->isEmpty());

        // No family code: nothing is asked and nothing changes.
        m_config->setFamilyCode(QString());
        await(model.refreshChildDevicesForHome(*m_config));
        QVERIFY(model.childDevicesError().has_value());
    }

    void unlockRequestReportsEachOutcome()
    {
        useAnnsComputer();
        ContentViewModel model(m_overlay, *m_requests, [] { return qint64(0); });
        m_config->setDeviceID(u"no-such-device"_s);
        await(model.handleUnlockRequest(*m_config));
        QVERIFY(model.isShowingUnlockRequestAlert());
        QVERIFY(model.unlockRequestMessage() != std::optional<QString>(u"已向家长发出解锁申请"_s));
        QVERIFY(!m_requests->isPending());
        QVERIFY(!model.unlockRequestMessage()->isEmpty());

        model.setShowingUnlockRequestAlert(false);
        m_config->setBaseURLOverride(u"http://[::1"_s);
        await(model.handleUnlockRequest(*m_config));
        QVERIFY(model.isShowingUnlockRequestAlert());
        QCOMPARE(*model.unlockRequestMessage(), u"尚未完成远程绑定，无法向家长申请解锁。"_s);
    }

    void localUnlockLiftsTheLockAndUploadsThePolicy()
    {
        useAnnsComputer();
        ScreenTimePolicyStore policies(std::make_unique<ScreenTimePolicyRepository>());
        policies.update([](ScreenTimePolicy& policy) { policy.forceLocked = true; });
        m_selection->saveSelection({ u"org.example.game"_s });
        ContentViewModel model(m_overlay, *m_requests, [] { return qint64(0); });

        await(model.handleLocalUnlock(policies, *m_selection, *m_config));
        const QDateTime expected = m_family->clock.now().addSecs(15 * 60);
        QVERIFY(!policies.policy().forceLocked);
        QCOMPARE(policies.policy().unlockUntil, std::optional<QDateTime>(expected));
        // Once unconditionally, once more because the new policy does not lock.
        QCOMPARE(m_overlay.calls, QStringList({ u"hide"_s, u"hide"_s }));

        const auto client = RemoteAPIClient::make(*m_config);
        auto fetched = AwaitTask::run(client->fetchPolicy(m_family->annID));
        QVERIFY(fetched.value);
        QCOMPARE(fetched.value->policy.forceLocked, std::optional<bool>(false));
        QCOMPARE(fetched.value->policy.unlockUntil.value_or(QDateTime()).toSecsSinceEpoch(),
                 expected.toSecsSinceEpoch());
    }

    void renameKeepsTheSheetOnABlankNameOrAFailure()
    {
        useAnnsComputer();
        ContentViewModel model(m_overlay, *m_requests, [] { return qint64(0); });
        const DeviceListItem child { m_family->annID, u"Ann"_s, u"child"_s };
        model.setDevicePendingRename(child);

        await(model.saveRenamedChildDevice(child, u" \n\t "_s, *m_config));
        QCOMPARE(model.devicePendingRename(), std::optional<DeviceListItem>(child));
        QCOMPARE(m_family->server->queryValue(u"SELECT name FROM devices WHERE id = ?"_s, { m_family->annID })
                     .toString(),
                 u"Ann"_s);

        const DeviceListItem ghost { u"no-such-device"_s, u"x"_s, u"child"_s };
        model.setDevicePendingRename(ghost);
        await(model.saveRenamedChildDevice(ghost, u"新名字"_s, *m_config));
        QCOMPARE(model.devicePendingRename(), std::optional<DeviceListItem>(ghost));
        QVERIFY(model.childDevicesError().has_value());
    }

private:
    void await(QCoro::Task<>&& task)
    {
        const auto outcome = AwaitTask::run(std::move(task));
        QVERIFY2(!outcome.error, qPrintable(userFriendlyMessage(outcome.error)));
    }

    // The family on the server is the fixture's; the config becomes that of Ann's computer.
    void useAnnsComputer() { m_config->setDeviceID(m_family->annID); }

    std::unique_ptr<ParentFamilyFixture> m_family;
    RemoteBackendConfig* m_config = nullptr;
    std::unique_ptr<MacAppSelectionStore> m_selection;
    RecordingOverlay m_overlay;
    std::unique_ptr<MacUnlockRequestState> m_requests;
};

QTEST_GUILESS_MAIN(TestContentViewModel)
#include "TestContentViewModel.moc"
