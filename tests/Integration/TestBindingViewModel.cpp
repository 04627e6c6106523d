#include "Models/DeviceTokenStore.h"
#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/BindingViewModel.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/UserFriendlyMessage.h"
#include "support/AwaitTask.h"
#include "support/LoopbackFamilyServer.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"
#include "support/ScriptedWorkspace.h"

#include <QNetworkAccessManager>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<QString>)

// The binding wizard's decisions: its paths, button conditions, trimming and messages, against a
// real family server.
class TestBindingViewModel : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m.emplace();
        QVERIFY2(m->server.start(), qPrintable(m->server.errorString()));
        m->config.setBaseURLOverride(m->server.baseUrl());
    }

    void cleanup() { m.reset(); }

    void passwordSetup_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("confirm");
        QTest::addColumn<QString>("error");

        QTest::newRow("empty") << u""_s << u""_s << u"请输入密码"_s;
        QTest::newRow("not trimmed") << u"abc"_s << u"abc "_s << u"两次输入不一致，请重试"_s;
        QTest::newRow("one character is enough") << u"x"_s << u"x"_s << QString();
    }

    void passwordSetup()
    {
        QFETCH(QString, password);
        QFETCH(QString, confirm);
        QFETCH(QString, error);
        BindingViewModel model(m_workspace);
        model.setPasswordInput(password);
        model.setPasswordConfirm(confirm);
        model.setupPassword(m->passwords);
        QCOMPARE(model.passwordSetupError().value_or(QString()), error);
        QCOMPARE(m->passwords.hasPassword(), error.isEmpty());
        if (error.isEmpty()) {
            QVERIFY(model.passwordInput().isEmpty());
            QVERIFY(model.passwordConfirm().isEmpty());
        } else {
            QCOMPARE(model.passwordInput(), password);
        }
    }

    void buttonConditions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("recoverCode");
        QTest::addColumn<QString>("joinCode");
        QTest::addColumn<bool>("create");
        QTest::addColumn<bool>("recover");
        QTest::addColumn<bool>("join");

        QTest::newRow("nothing typed") << u""_s << u""_s << u""_s << false << false << false;
        QTest::newRow("nickname only") << u"Mac"_s << u""_s << u""_s << true << false << false;
        QTest::newRow("six digits") << u""_s << u"123456"_s << u""_s << false << true << false;
        QTest::newRow("six digits in blanks")
            << u""_s << u" \t123456\t "_s << u""_s << false << true << false;
        QTest::newRow("five digits") << u""_s << u"12345"_s << u""_s << false << false << false;
        QTest::newRow("line break is not a blank")
            << u""_s << u"123456\n"_s << u""_s << false << false << false;
        QTest::newRow("join needs a nickname") << u""_s << u""_s << u"12"_s << false << false << false;
        QTest::newRow("join accepts any code") << u"Mac"_s << u""_s << u"12"_s << true << false << true;
    }

    void buttonConditions()
    {
        QFETCH(QString, name);
        QFETCH(QString, recoverCode);
        QFETCH(QString, joinCode);
        QFETCH(bool, create);
        QFETCH(bool, recover);
        QFETCH(bool, join);
        BindingViewModel model(m_workspace);
        model.setDeviceName(name);
        model.setRecoverFamilyCode(recoverCode);
        model.setFamilyCodeInput(joinCode);
        QCOMPARE(model.canCreateFamily(), create);
        QCOMPARE(model.canRecoverFamily(), recover);
        QCOMPARE(model.canJoinFamily(), join);
    }

    // A failed step writes nothing and stays on the first page. Recovering from an unusable
    // address says nothing: the address is the next screen's business.
    void failuresWriteNothing_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("badAddress");
        QTest::addColumn<std::optional<QString>>("message"); // empty: any message
        const auto address = std::optional<QString>(u"服务地址不合法"_s);
        QTest::newRow("create, bad address") << u"create"_s << QString() << true << address;
        QTest::newRow("recover, unknown code")
            << u"recover"_s << u"000000"_s << false << std::optional(QString());
        QTest::newRow("recover, bad address")
            << u"recover"_s << u"123456"_s << true << std::optional<QString>();
        QTest::newRow("join, unknown code") << u"join"_s << u"999999"_s << false << std::optional(QString());
        QTest::newRow("join, bad address") << u"join"_s << u"999999"_s << true << address;
    }

    void failuresWriteNothing()
    {
        QFETCH(QString, operation);
        QFETCH(QString, code);
        QFETCH(bool, badAddress);
        QFETCH(std::optional<QString>, message);
        if (badAddress) {
            m->config.setBaseURLOverride(u"http://[::1"_s);
        }
        BindingViewModel model(m_workspace);
        model.setDeviceName(u"小明的 Mac"_s);
        model.setRecoverFamilyCode(code);
        model.setFamilyCodeInput(code);
        if (operation == u"create"_s) {
            await(model.createFamily(m->config));
        } else if (operation == u"recover"_s) {
            await(model.recoverFamily(m->config));
        } else {
            await(model.joinFamily(m->config));
        }
        QCOMPARE(model.errorMessage().has_value(), message.has_value());
        if (message && !message->isEmpty()) {
            QCOMPARE(model.errorMessage(), message);
        }
        QVERIFY(!model.successMessage() && !model.isBusy());
        QCOMPARE(model.currentStep(), 1);
        QVERIFY(m->config.familyCode().isEmpty() && m->config.deviceID().isEmpty());
        QCOMPARE(m->config.role(), RemoteDeviceRole::unknown);
    }

    void recoverFamilyKeepsIdentityAndLandsOnTheSummary()
    {
        const auto family = AwaitTask::run(RemoteAPIClient::make(m->config)->createFamily());
        QVERIFY(family.value);
        const QString code = family.value->familyCode;
        m->config.setDeviceID(u"existing-id"_s);
        m->config.setRole(RemoteDeviceRole::child);
        BindingViewModel model(m_workspace);
        model.setRecoverFamilyCode(u"\t "_s + code + u" "_s);
        await(model.recoverFamily(m->config));
        QCOMPARE(m->config.familyCode(), code);
        QCOMPARE(model.successMessage(), std::optional<QString>(u"恢复成功"_s));
        QVERIFY(model.recoverFamilyCode().isEmpty());
        QCOMPARE(model.currentStep(), 4);
        QVERIFY(model.isParent);
        QCOMPARE(m->config.deviceID(), u"existing-id"_s);
        QCOMPARE(m->config.role(), RemoteDeviceRole::child);
    }

    void recoverProtectedFamilyWithAnInvitation()
    {
        // The first parent computer, whose token has secured the family, makes an invitation.
        BindingViewModel first(m_workspace);
        first.setDeviceName(u"爸爸的电脑"_s);
        await(first.createFamily(m->config));
        const QString code = m->config.familyCode();
        auto invitation = AwaitTask::run(RemoteAPIClient::make(m->config)->createParentInvitation(code));
        QVERIFY(invitation.value);
        first.performMacClearBinding(m->config);
        QVERIFY(!DeviceTokenStore::load(m->keychain));

        BindingViewModel model(m_workspace);
        model.setDeviceName(u"妈妈的电脑"_s);
        model.setRecoverFamilyCode(code);
        await(model.recoverFamily(m->config));
        QVERIFY(model.needsInvitationCode());
        QVERIFY(model.errorMessage().has_value());
        QVERIFY(m->config.familyCode().isEmpty());

        model.setInvitationCodeInput(invitation.value->invitationCode);
        await(model.recoverFamily(m->config));
        QCOMPARE(model.successMessage(), std::optional<QString>(u"恢复成功"_s));
        QCOMPARE(m->config.familyCode(), code);
        QCOMPARE(m->config.role(), RemoteDeviceRole::parent);
        QVERIFY(DeviceTokenStore::load(m->keychain));
        QVERIFY(!AwaitTask::run(RemoteAPIClient::make(m->config)->fetchDevices(code)).error);
    }

    void clearingTheBinding()
    {
        m->config.setDeviceID(u"d1"_s);
        m->config.setFamilyCode(u"123456"_s);
        m->config.setDeviceName(u"小明的 Mac"_s);
        m->config.setRole(RemoteDeviceRole::child);
        BindingViewModel model(m_workspace);
        model.setFamilyCodeInput(u"123456"_s);
        // Without a parent password it clears at once.
        model.requestClearBinding(m->passwords, m->config);
        QVERIFY(!model.isShowingClearBindingVerify());
        QVERIFY(m->config.deviceID().isEmpty() && m->config.familyCode().isEmpty()
                && m->config.deviceName().isEmpty());
        QVERIFY(model.familyCodeInput().isEmpty());
        QCOMPARE(m->config.role(), RemoteDeviceRole::child);
        QCOMPARE(model.successMessage(), std::optional<QString>(u"已清除本机绑定"_s));
    }

    void anUnreadableKeychainIsNotNoPassword()
    {
        m->passwords.setupPassword(u"secret"_s);
        m->config.setDeviceID(u"d1"_s);
        m->config.setFamilyCode(u"123456"_s);
        m->config.setRole(RemoteDeviceRole::child);
        // The keyring cannot be opened when the application starts.
        for (const auto& account : { ParentalPasswordStore::saltAccount, ParentalPasswordStore::hashAccount,
                                     ParentalPasswordStore::versionAccount }) {
            m->keychain.failAccount(account);
        }
        ParentalPasswordStore atStart(std::make_unique<ParentalPasswordRepository>(), m->keychain,
                                      m->defaults);
        BindingViewModel model(m_workspace);
        model.requestClearBinding(atStart, m->config);
        QVERIFY(model.isShowingClearBindingVerify());
        model.setClearBindingPasswordInput(u"secret"_s);
        model.confirmClearBinding(atStart, m->config);
        QCOMPARE(model.clearBindingPasswordError(),
                 std::optional<QString>(u"暂时无法读取家长密码（系统钥匙环打不开），请稍后重试"_s));
        QCOMPARE(m->config.deviceID(), u"d1"_s);
        // Once it opens, the same run reads the password: a retry, not a restart.
        m->keychain.reopen();
        model.confirmClearBinding(atStart, m->config);
        QVERIFY(m->config.deviceID().isEmpty());
    }

    void clearLocalFamilyInfo()
    {
        m->config.setFamilyCode(u"123456"_s);
        m->config.setDeviceID(u"d1"_s);
        BindingViewModel model(m_workspace);
        model.setRecoverFamilyCode(u"654321"_s);
        model.clearLocalFamilyInfo(m->config);
        QVERIFY(m->config.familyCode().isEmpty());
        QCOMPARE(m->config.deviceID(), u"d1"_s);
        QVERIFY(model.recoverFamilyCode().isEmpty());
        QCOMPARE(model.successMessage(), std::optional<QString>(u"已清除，请重新创建或恢复家庭。"_s));
    }

private:
    void await(QCoro::Task<>&& task)
    {
        const auto outcome = AwaitTask::run(std::move(task));
        QVERIFY2(!outcome.error, qPrintable(userFriendlyMessage(outcome.error)));
    }

    struct Fixture
    {
        MemoryUserDefaults defaults;
        MemorySecureStore keychain;
        LoopbackFamilyServer server;
        QNetworkAccessManager network;
        RemoteBackendConfig config { defaults, keychain, network };
        ParentalPasswordStore passwords { std::make_unique<ParentalPasswordRepository>(), keychain,
                                          defaults };
    };
    std::optional<Fixture> m;
    ScriptedWorkspace m_workspace;
};

QTEST_GUILESS_MAIN(TestBindingViewModel)
#include "TestBindingViewModel.moc"
