#include "App/VantorelMacApp.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/ContentViewModel.h"
#include "Views/ContentView.h"
#include "Views/MacLockCoordinator.h"
#include "support/LoopbackFamilyServer.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"

#include <QApplication>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The window and what its first appearance starts, per role.
class TestVantorelMacApp : public QObject
{
    Q_OBJECT

private slots:
    void firstAppearanceStartsTheRolesWork_data();
    void firstAppearanceStartsTheRolesWork();
};

void TestVantorelMacApp::firstAppearanceStartsTheRolesWork_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("familyCode");
    QTest::addColumn<bool>("loadsDevices");

    QTest::newRow("unknown") << u"unknown"_s << u""_s << false;
    QTest::newRow("parent without family") << u"parent"_s << u""_s << false;
    QTest::newRow("parent with family") << u"parent"_s << u"123456"_s << true;
    QTest::newRow("unbound child") << u"child"_s << u"123456"_s << false;
}

void TestVantorelMacApp::firstAppearanceStartsTheRolesWork()
{
    QFETCH(QString, role);
    QFETCH(QString, familyCode);
    QFETCH(bool, loadsDevices);
    MemoryUserDefaults defaults;
    MemorySecureStore keychain;
    LoopbackFamilyServer server;
    QVERIFY(server.start());
    defaults.setString(RemoteBackendConfig::roleKey, role);
    defaults.setString(RemoteBackendConfig::familyCodeKey, familyCode);
    defaults.setString(RemoteBackendConfig::baseURLOverrideKey, server.baseUrl());
    MacLockCoordinator::shared().onUnlockRequest = nullptr;
    MacLockCoordinator::shared().onPasswordUnlock = nullptr;

    VantorelMacApp app(*qApp, VantorelMacApp::Settings::installed);
    ContentViewModel& model = app.contentView().viewModel();
    app.window().show();
    // The lock screen's buttons reach this screen on every computer.
    QVERIFY(MacLockCoordinator::shared().onUnlockRequest);
    QVERIFY(MacLockCoordinator::shared().onPasswordUnlock);
    // The load starts at once and is still waiting for the server here.
    QCOMPARE(model.isLoadingChildDevices(), loadsDevices);
    if (loadsDevices) {
        // An unknown family: the load ends with the server's refusal.
        QTRY_VERIFY(!model.isLoadingChildDevices());
        QVERIFY(model.childDevicesError().has_value());
    }
}

QTEST_MAIN(TestVantorelMacApp)
#include "TestVantorelMacApp.moc"
