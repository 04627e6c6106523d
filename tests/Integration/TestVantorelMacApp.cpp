#include "App/VantorelMacApp.h"
#include "Models/DeviceTokenStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/BindingViewModel.h"
#include "Services/ChildEnforcement.h"
#include "Services/ContentViewModel.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Views/ContentView.h"
#include "support/AwaitTask.h"
#include "support/LoopbackFamilyServer.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"
#include "support/NativePlatform.h"
#include "support/ScriptedAlertPresenter.h"

#include <QApplication>
#include <QNetworkAccessManager>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// What the window starts per role, and the child's enforcement as the binding and the family
// server's word change.
class TestVantorelMacApp : public QObject
{
    Q_OBJECT

private slots:
    // Only a parent's computer reads the family's devices; the parent's load is the home screen's
    // test.
    void childDoesNotLoadTheFamilysDevices()
    {
        MemoryUserDefaults defaults;
        MemorySecureStore keychain;
        QNetworkAccessManager network;
        LoopbackFamilyServer server;
        QVERIFY(server.start());
        defaults.setString(RemoteBackendConfig::roleKey, u"child"_s);
        defaults.setString(RemoteBackendConfig::familyCodeKey, u"123456"_s);
        defaults.setString(RemoteBackendConfig::baseURLOverrideKey, server.baseUrl());
        VantorelMacApp app(*qApp, VantorelMacApp::Settings::installed, nativePlatformWith(keychain, network));
        app.window().show();
        QVERIFY(!app.contentView().viewModel().isLoadingChildDevices());
    }

    void enforcementFollowsBindingAndServer_data()
    {
        QTest::addColumn<QString>("storedRole");
        // The child's device at the server: registered, then deleted by a parent, which unbinds
        // the child and tells it, and ends the enforcement.
        QTest::addColumn<bool>("registered");
        QTest::addColumn<bool>("deleted");
        QTest::addColumn<bool>("joinsWhileRunning");
        // A parent computer has presented its token: only parents read the family's device list.
        QTest::addColumn<bool>("secured");

        QTest::newRow("joins in the wizard: enforced without a restart")
            << u"unknown"_s << false << false << true << false;
        // Once the parent computer has shown its token, as in every family with a parent at work;
        // the open contract is the family security test's.
        QTest::newRow("settings file says parent: the server's child role wins")
            << u"parent"_s << true << false << false << true;
        QTest::newRow("removed by a parent: unbound and told") << u"child"_s << true << true << false << true;
    }

    void enforcementFollowsBindingAndServer()
    {
        QFETCH(QString, storedRole);
        QFETCH(bool, registered);
        QFETCH(bool, deleted);
        QFETCH(bool, joinsWhileRunning);
        QFETCH(bool, secured);
        MemoryUserDefaults defaults;
        MemorySecureStore keychain;
        ScriptedAlertPresenter alerts;
        LoopbackFamilyServer server;
        QVERIFY(server.start());

        MemoryUserDefaults arranging(MemoryUserDefaults::Install::No);
        QNetworkAccessManager network;
        RemoteBackendConfig direct(arranging, keychain, network);
        direct.setBaseURLOverride(server.baseUrl());
        const auto client = *RemoteAPIClient::make(direct);
        const QString familyCode = AwaitTask::run(client.createFamily()).value->familyCode;
        QList<std::pair<QByteArray, QByteArray>> asParent;
        if (secured) {
            const auto parent
                = AwaitTask::run(client.registerDevice(familyCode, RemoteDeviceRole::parent, u"Mum"_s));
            asParent.append(
                { "Authorization", "Bearer " + parent.value->deviceToken.value_or(QString()).toLatin1() });
            QCOMPARE(
                server.call("GET", u"/api/v1/families/%1/devices"_s.arg(familyCode), {}, asParent).status,
                200);
        }
        QString deviceID;
        if (registered) {
            const auto child
                = AwaitTask::run(client.registerDevice(familyCode, RemoteDeviceRole::child, u"Xiaoming"_s))
                      .value;
            deviceID = child->deviceId;
            DeviceTokenStore::save(child->deviceToken.value_or(QString()), keychain);
            defaults.setString(RemoteBackendConfig::deviceIDKey, deviceID);
            defaults.setString(RemoteBackendConfig::familyCodeKey, familyCode);
        }
        if (deleted) {
            QCOMPARE(server
                         .call("DELETE", u"/api/v1/devices/%1?familyCode=%2"_s.arg(deviceID, familyCode), {},
                               asParent)
                         .status,
                     204);
        }
        defaults.setString(RemoteBackendConfig::roleKey, storedRole);
        defaults.setString(RemoteBackendConfig::baseURLOverrideKey, server.baseUrl());

        auto owned = std::make_unique<VantorelMacApp>(*qApp, VantorelMacApp::Settings::installed,
                                                      nativePlatformWith(keychain, network), &alerts);
        VantorelMacApp& app = *owned;
        ChildEnforcement& enforcement = app.childEnforcement();
        enforcement.start();
        if (joinsWhileRunning) {
            BindingViewModel wizard(app.platform().workspace);
            wizard.setFamilyCodeInput(familyCode);
            wizard.setDeviceName(u"Xiaoming"_s);
            AwaitTask::run(wizard.joinFamily(app.backendConfig()));
            deviceID = app.backendConfig().deviceID();
        }
        QTRY_COMPARE(enforcement.isEnforcing(), !deleted);
        QTRY_COMPARE(app.backendConfig().deviceID().isEmpty(), deleted);
        QCOMPARE(app.backendConfig().role(), RemoteDeviceRole::child);
        QCOMPARE(defaults.boolean(ChildEnforcement::settingsChangedKey).value_or(false),
                 storedRole == u"parent"_s);
        if (!deleted) {
            // A synchronisation cycle has reached the server: its health report is stored, saying
            // whether the settings file had been changed.
            QTRY_COMPARE(server
                             .queryValue(u"SELECT COUNT(*) FROM device_health WHERE device_id = ? "
                                         "AND COALESCE(settings_changed, 0) = ?"_s,
                                         { deviceID, int(storedRole == u"parent"_s) })
                             .toInt(),
                         1);
        }
        QTRY_COMPARE(alerts.shown().size(), deleted ? 1 : 0);
        if (deleted) {
            QCOMPARE(alerts.shown().constFirst().message, u"本设备已被家长移除"_s);
        }
        // Its loop winds down before the server goes.
        owned.reset();
        QTRY_COMPARE(ChildEnforcement::liveLoops(), 0);
    }
};

QTEST_MAIN(TestVantorelMacApp)
#include "TestVantorelMacApp.moc"
