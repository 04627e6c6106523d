#include "Models/MacAppSelectionStore.h"
#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyRepository.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Services/BindingViewModel.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Views/MacRemoteBindingWizardView.h"
#include "support/AwaitTask.h"
#include "support/LoopbackFamilyServer.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// Clicks through the binding wizard as a person would, on a new parent computer and on a new
// child computer, against a real family server.
class TestBindingWizardView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void newParentCreatesAFamily();
    void newChildJoinsAFamily();
    void childClearsItsBindingWithThePassword();

private:
    template <typename T> T* find(const QString& name) const
    {
        auto* widget = m_wizard->findChild<T*>(name);
        if (!widget) {
            qWarning("no widget named %s", qPrintable(name));
        }
        return widget;
    }
    void click(const QString& name);
    void type(const QString& name, const QString& text);
    std::unique_ptr<MacRemoteBindingWizardView> makeWizard();

    std::unique_ptr<MemoryUserDefaults> m_defaults;
    std::unique_ptr<MemorySecureStore> m_keychain;
    std::unique_ptr<LoopbackFamilyServer> m_server;
    std::unique_ptr<RemoteBackendConfig> m_config;
    std::unique_ptr<ParentalPasswordStore> m_passwords;
    std::unique_ptr<MacAppSelectionStore> m_selection;
    std::unique_ptr<ScreenTimePolicyStore> m_policies;
    std::unique_ptr<MacRemoteBindingWizardView> m_wizard;
    int m_dismissed = 0;
};

void TestBindingWizardView::init()
{
    m_defaults = std::make_unique<MemoryUserDefaults>();
    m_keychain = std::make_unique<MemorySecureStore>();
    m_server = std::make_unique<LoopbackFamilyServer>();
    QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    m_config = std::make_unique<RemoteBackendConfig>();
    m_config->setBaseURLOverride(m_server->baseUrl());
    m_passwords = std::make_unique<ParentalPasswordStore>(std::make_unique<ParentalPasswordRepository>());
    m_selection = std::make_unique<MacAppSelectionStore>();
    m_policies = std::make_unique<ScreenTimePolicyStore>(std::make_unique<ScreenTimePolicyRepository>());
    m_dismissed = 0;
    m_wizard = makeWizard();
    m_wizard->show();
}

void TestBindingWizardView::cleanup()
{
    m_wizard.reset();
    m_policies.reset();
    m_selection.reset();
    m_passwords.reset();
    m_config.reset();
    m_server.reset();
    m_keychain.reset();
    m_defaults.reset();
}

std::unique_ptr<MacRemoteBindingWizardView> TestBindingWizardView::makeWizard()
{
    return std::make_unique<MacRemoteBindingWizardView>(*m_config, *m_selection, *m_passwords, *m_policies,
                                                        [this] { ++m_dismissed; });
}

void TestBindingWizardView::click(const QString& name)
{
    auto* button = find<QPushButton>(name);
    QVERIFY(button);
    QVERIFY2(button->isEnabled(), qPrintable(name + u" is disabled"_s));
    QTest::mouseClick(button, Qt::LeftButton);
}

void TestBindingWizardView::type(const QString& name, const QString& text)
{
    auto* field = find<QLineEdit>(name);
    QVERIFY(field);
    // keyClicks only knows Latin keys; insert() is typing as far as the field's signals go.
    field->insert(text);
}

void TestBindingWizardView::newParentCreatesAFamily()
{
    auto* forward = find<QPushButton>(u"wizardForward"_s);
    QVERIFY(!find<QPushButton>(u"wizardBack"_s)->isVisible());
    QCOMPARE(forward->text(), u"下一步"_s);
    click(u"roleParentButton"_s);
    QVERIFY(find<QPushButton>(u"roleParentButton"_s)->isChecked());
    QCOMPARE(m_config->role(), RemoteDeviceRole::parent);
    click(u"wizardForward"_s);

    // Step 2: no way on without a password.
    QTRY_VERIFY(find<QLineEdit>(u"passwordInput"_s));
    QVERIFY(!forward->isEnabled());
    QVERIFY(find<QPushButton>(u"wizardBack"_s)->isVisible());
    type(u"passwordInput"_s, u"1234"_s);
    type(u"passwordConfirm"_s, u"4321"_s);
    click(u"setPasswordButton"_s);
    QCOMPARE(find<QLabel>(u"passwordSetupError"_s)->text(), u"两次输入不一致，请重试"_s);
    QVERIFY(!forward->isEnabled());
    find<QLineEdit>(u"passwordConfirm"_s)->clear();
    type(u"passwordConfirm"_s, u"1234"_s);
    click(u"setPasswordButton"_s);
    QVERIFY(m_passwords->hasPassword());
    QVERIFY(forward->isEnabled());
    QTRY_VERIFY(find<QLabel>(u"passwordExistsText"_s)->isVisible());
    click(u"wizardForward"_s);

    // Step 3: the create button waits for a nickname.
    QTRY_VERIFY(find<QPushButton>(u"createFamilyButton"_s));
    QVERIFY(!find<QPushButton>(u"createFamilyButton"_s)->isEnabled());
    QTRY_VERIFY(find<QLabel>(u"firstUseHint"_s)->isVisible());
    type(u"deviceNameInput"_s, u"爸爸的 Mac"_s);
    // A failure is told beside the button that failed.
    m_config->setBaseURLOverride(u"http://127.0.0.1:9"_s);
    click(u"createFamilyButton"_s);
    QTRY_VERIFY(find<QLabel>(u"setupError"_s)->isVisible());
    QVERIFY(!find<QLabel>(u"setupError"_s)->text().isEmpty());
    QVERIFY(!find<QLabel>(u"wizardErrorMessage"_s)->isVisible());
    m_config->setBaseURLOverride(m_server->baseUrl());
    click(u"createFamilyButton"_s);

    QTRY_COMPARE(m_wizard->viewModel().currentStep(), 4);
    const QString code = m_config->familyCode();
    QCOMPARE(code.size(), 6);
    QCOMPARE(find<QLabel>(u"wizardSuccessMessage"_s)->text(), u"家庭创建成功，家庭码："_s + code);
    QTRY_VERIFY(find<QLabel>(u"parentSummaryFamilyCode"_s));
    QCOMPARE(find<QLabel>(u"parentSummaryFamilyCode"_s)->text(), u"家庭码："_s + code);
    QTRY_COMPARE(find<QLabel>(u"parentSummaryPending"_s)->text(), u"待处理解锁申请：0 条"_s);
    QTRY_VERIFY(find<QLabel>(u"parentSummaryEmpty"_s)->isVisible());

    // A child joins meanwhile; "刷新" shows it.
    auto child = AwaitTask::run(
        RemoteAPIClient::make(*m_config)->registerDevice(code, RemoteDeviceRole::child, u"小明的 Mac"_s));
    QVERIFY(child.value);
    click(u"parentSummaryRefresh"_s);
    QTRY_COMPARE(m_wizard->findChildren<QLabel*>(u"childDeviceName"_s).size(), 1);
    QCOMPARE(m_wizard->findChild<QLabel*>(u"childDeviceName"_s)->text(), u"小明的 Mac"_s);
    QTRY_VERIFY(!find<QLabel>(u"parentSummaryEmpty"_s)->isVisible());

    QCOMPARE(forward->text(), u"完成"_s);
    click(u"wizardForward"_s);
    QCOMPARE(m_dismissed, 1);
}

void TestBindingWizardView::newChildJoinsAFamily()
{
    auto family = AwaitTask::run(RemoteAPIClient::make(*m_config)->createFamily());
    QVERIFY(family.value);
    const QString code = family.value->familyCode;

    click(u"roleChildButton"_s);
    QCOMPARE(m_config->role(), RemoteDeviceRole::child);
    click(u"wizardForward"_s);
    QTRY_VERIFY(find<QPushButton>(u"joinFamilyButton"_s));
    auto* forward = find<QPushButton>(u"wizardForward"_s);
    QVERIFY(forward->isEnabled());
    type(u"familyCodeInput"_s, u" "_s + code + u" "_s);
    QVERIFY(!find<QPushButton>(u"joinFamilyButton"_s)->isEnabled());
    type(u"deviceNameInput"_s, u"小明的 Mac"_s);
    click(u"joinFamilyButton"_s);

    QTRY_COMPARE(m_wizard->viewModel().currentStep(), 3);
    QTRY_VERIFY(find<QLabel>(u"childSummaryHeading"_s));
    QCOMPARE(find<QLabel>(u"childSummaryHeading"_s)->text(), u"配置完成"_s);
    QCOMPARE(find<QLabel>(u"childSummaryFamilyCode"_s)->text(), u"家庭码："_s + code);
    QCOMPARE(find<QLabel>(u"wizardSuccessMessage"_s)->text(), u"已加入家庭"_s);
    QCOMPARE(m_config->familyCode(), code);
    QVERIFY(m_config->isBoundToBackend());
    QCOMPARE(forward->text(), u"完成"_s);
    click(u"wizardForward"_s);
    QCOMPARE(m_dismissed, 1);
}

void TestBindingWizardView::childClearsItsBindingWithThePassword()
{
    m_passwords->setupPassword(u"secret"_s);
    m_config->setRole(RemoteDeviceRole::child);
    m_config->setDeviceID(u"d1"_s);
    m_config->setFamilyCode(u"123456"_s);
    m_wizard = makeWizard();
    m_wizard->show();
    click(u"wizardForward"_s);
    click(u"wizardForward"_s);
    QTRY_VERIFY(find<QPushButton>(u"clearBindingButton"_s));
    click(u"clearBindingButton"_s);
    QTRY_VERIFY(find<QDialog>(u"clearBindingSheet"_s));
    type(u"clearBindingPassword"_s, u"wrong"_s);
    click(u"clearBindingConfirm"_s);
    QCOMPARE(find<QLabel>(u"clearBindingPasswordError"_s)->text(), u"密码错误，请重试"_s);
    QCOMPARE(m_config->deviceID(), u"d1"_s);
    find<QLineEdit>(u"clearBindingPassword"_s)->clear();
    type(u"clearBindingPassword"_s, u"secret"_s);
    click(u"clearBindingConfirm"_s);
    QTRY_VERIFY(!m_wizard->findChild<QDialog*>(u"clearBindingSheet"_s));
    QVERIFY(m_config->deviceID().isEmpty());
    QCOMPARE(find<QLabel>(u"wizardSuccessMessage"_s)->text(), u"已清除本机绑定"_s);
}

QTEST_MAIN(TestBindingWizardView)
#include "TestBindingWizardView.moc"
