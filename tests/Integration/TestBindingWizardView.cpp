#include "Models/MacAppSelectionStore.h"
#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyRepository.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Services/BindingViewModel.h"
#include "Views/MacRemoteBindingWizardView.h"
#include "support/LoopbackFamilyServer.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"
#include "support/ScriptedWorkspace.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// Clicks through the binding wizard as a person would. Creating and joining a family are walked
// by the family scenario; here the step only a child computer offers: clearing its binding.
class TestBindingWizardView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

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
    ScriptedWorkspace m_workspace;
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
                                                        m_workspace, [this] { ++m_dismissed; });
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
