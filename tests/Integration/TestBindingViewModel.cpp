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
        m_defaults = std::make_unique<MemoryUserDefaults>();
        m_keychain = std::make_unique<MemorySecureStore>();
        m_server = std::make_unique<LoopbackFamilyServer>();
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        m_config = std::make_unique<RemoteBackendConfig>();
        m_config->setBaseURLOverride(m_server->baseUrl());
        m_passwords = std::make_unique<ParentalPasswordStore>(std::make_unique<ParentalPasswordRepository>());
    }

    void cleanup()
    {
        m_passwords.reset();
        m_config.reset();
        m_server.reset();
        m_keychain.reset();
        m_defaults.reset();
    }

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
        BindingViewModel model;
        model.setPasswordInput(password);
        model.setPasswordConfirm(confirm);
        model.setupPassword(*m_passwords);
        QCOMPARE(model.passwordSetupError().value_or(QString()), error);
        QCOMPARE(m_passwords->hasPassword(), error.isEmpty());
        if (error.isEmpty()) {
            QVERIFY(model.passwordInput().isEmpty());
            QVERIFY(model.passwordConfirm().isEmpty());
            QVERIFY(m_passwords->verify(password));
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
        BindingViewModel model;
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
            m_config->setBaseURLOverride(u"http://[::1"_s);
        }
        BindingViewModel model;
        model.setDeviceName(u"小明的 Mac"_s);
        model.setRecoverFamilyCode(code);
        model.setFamilyCodeInput(code);
        if (operation == u"create"_s) {
            await(model.createFamily(*m_config));
        } else if (operation == u"recover"_s) {
            await(model.recoverFamily(*m_config));
        } else {
            await(model.joinFamily(*m_config));
        }
        QCOMPARE(model.errorMessage().has_value(), message.has_value());
        if (message && !message->isEmpty()) {
            QCOMPARE(model.errorMessage(), message);
        }
        QVERIFY(!model.successMessage() && !model.isBusy());
        QCOMPARE(model.currentStep(), 1);
        QVERIFY(m_config->familyCode().isEmpty() && m_config->deviceID().isEmpty());
        QCOMPARE(m_config->role(), RemoteDeviceRole::unknown);
    }

    void recoverFamilyKeepsIdentityAndLandsOnTheSummary()
    {
        const QString code = createServerFamily();
        QCOMPARE(code.size(), 6);
        m_config->setDeviceID(u"existing-id"_s);
        m_config->setRole(RemoteDeviceRole::child);
        BindingViewModel model;
        model.setRecoverFamilyCode(u"\t "_s + code + u" "_s);
        await(model.recoverFamily(*m_config));
        QCOMPARE(m_config->familyCode(), code);
        QCOMPARE(model.successMessage(), std::optional<QString>(u"恢复成功"_s));
        QVERIFY(model.recoverFamilyCode().isEmpty());
        QCOMPARE(model.currentStep(), 4);
        QVERIFY(model.isParent);
        QCOMPARE(m_config->deviceID(), u"existing-id"_s);
        QCOMPARE(m_config->role(), RemoteDeviceRole::child);

        // A code that is not six characters does nothing at all.
        BindingViewModel shortCode;
        shortCode.setRecoverFamilyCode(u"12345"_s);
        await(shortCode.recoverFamily(*m_config));
        QVERIFY(!shortCode.errorMessage() && !shortCode.successMessage());
        QCOMPARE(shortCode.currentStep(), 1);
    }

    void recoverProtectedFamilyWithAnInvitation()
    {
        // The first parent computer, whose token has secured the family, makes an invitation.
        BindingViewModel first;
        first.setDeviceName(u"爸爸的电脑"_s);
        await(first.createFamily(*m_config));
        const QString code = m_config->familyCode();
        auto invitation = AwaitTask::run(RemoteAPIClient::make(*m_config)->createParentInvitation(code));
        QVERIFY(invitation.value);
        first.performMacClearBinding(*m_config);
        QVERIFY(!DeviceTokenStore::load(*m_keychain));

        BindingViewModel model;
        model.setDeviceName(u"妈妈的电脑"_s);
        model.setRecoverFamilyCode(code);
        await(model.recoverFamily(*m_config));
        QVERIFY(model.needsInvitationCode());
        QVERIFY(model.errorMessage().has_value());
        QVERIFY(m_config->familyCode().isEmpty());

        model.setInvitationCodeInput(invitation.value->invitationCode);
        await(model.recoverFamily(*m_config));
        QCOMPARE(model.successMessage(), std::optional<QString>(u"恢复成功"_s));
        QCOMPARE(m_config->familyCode(), code);
        QCOMPARE(m_config->role(), RemoteDeviceRole::parent);
        QVERIFY(DeviceTokenStore::load(*m_keychain));
        QVERIFY(!AwaitTask::run(RemoteAPIClient::make(*m_config)->fetchDevices(code)).error);
    }

    void clearingTheBinding()
    {
        m_config->setDeviceID(u"d1"_s);
        m_config->setFamilyCode(u"123456"_s);
        m_config->setDeviceName(u"小明的 Mac"_s);
        m_config->setRole(RemoteDeviceRole::child);
        BindingViewModel model;
        model.setFamilyCodeInput(u"123456"_s);
        // Without a parent password it clears at once.
        model.requestClearBinding(*m_passwords, *m_config);
        QVERIFY(!model.isShowingClearBindingVerify());
        QVERIFY(m_config->deviceID().isEmpty() && m_config->familyCode().isEmpty()
                && m_config->deviceName().isEmpty());
        QVERIFY(model.familyCodeInput().isEmpty());
        QCOMPARE(m_config->role(), RemoteDeviceRole::child);
        QCOMPARE(model.successMessage(), std::optional<QString>(u"已清除本机绑定"_s));
        QVERIFY(m_defaults->string(RemoteBackendConfig::deviceIDKey).value_or(QString()).isEmpty());
    }

    void anUnreadableKeychainIsNotNoPassword()
    {
        m_passwords->setupPassword(u"secret"_s);
        m_config->setDeviceID(u"d1"_s);
        m_config->setFamilyCode(u"123456"_s);
        m_config->setRole(RemoteDeviceRole::child);
        // The keyring cannot be opened when the application starts.
        for (const auto& account : { ParentalPasswordStore::saltAccount, ParentalPasswordStore::hashAccount,
                                     ParentalPasswordStore::versionAccount }) {
            m_keychain->failAccount(account);
        }
        ParentalPasswordStore atStart(std::make_unique<ParentalPasswordRepository>());
        BindingViewModel model;
        model.requestClearBinding(atStart, *m_config);
        QVERIFY(model.isShowingClearBindingVerify());
        model.setClearBindingPasswordInput(u"secret"_s);
        model.confirmClearBinding(atStart, *m_config);
        QCOMPARE(model.clearBindingPasswordError(),
                 std::optional<QString>(u"暂时无法读取家长密码（系统钥匙环打不开），请稍后重试"_s));
        QCOMPARE(m_config->deviceID(), u"d1"_s);
        // Once it opens, the same run reads the password: a retry, not a restart.
        m_keychain->reopen();
        model.confirmClearBinding(atStart, *m_config);
        QVERIFY(m_config->deviceID().isEmpty());
    }

    void clearLocalFamilyInfo()
    {
        m_config->setFamilyCode(u"123456"_s);
        m_config->setDeviceID(u"d1"_s);
        BindingViewModel model;
        model.setRecoverFamilyCode(u"654321"_s);
        model.clearLocalFamilyInfo(*m_config);
        QVERIFY(m_config->familyCode().isEmpty());
        QCOMPARE(m_config->deviceID(), u"d1"_s);
        QVERIFY(model.recoverFamilyCode().isEmpty());
        QCOMPARE(model.successMessage(), std::optional<QString>(u"已清除，请重新创建或恢复家庭。"_s));
    }

private:
    void await(QCoro::Task<>&& task)
    {
        const auto outcome = AwaitTask::run(std::move(task));
        QVERIFY2(!outcome.error, qPrintable(userFriendlyMessage(outcome.error)));
    }

    QString createServerFamily()
    {
        auto family = AwaitTask::run(RemoteAPIClient::make(*m_config)->createFamily());
        return family.value ? family.value->familyCode : QString();
    }

    std::unique_ptr<MemoryUserDefaults> m_defaults;
    std::unique_ptr<MemorySecureStore> m_keychain;
    std::unique_ptr<LoopbackFamilyServer> m_server;
    std::unique_ptr<RemoteBackendConfig> m_config;
    std::unique_ptr<ParentalPasswordStore> m_passwords;
};

QTEST_GUILESS_MAIN(TestBindingViewModel)
#include "TestBindingViewModel.moc"
