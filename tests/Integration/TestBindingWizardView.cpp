#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Views/MacRemoteBindingWizardView.h"
#include "support/ChildComputer.h"
#include "support/LoopbackFamilyServer.h"
#include "support/MemorySecureStore.h"
#include "support/ScriptedAlertPresenter.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

// Clicks through the binding wizard as a person would. Creating and joining a family are walked
// by the family scenario; here the step only a child computer offers: clearing its binding.
class TestBindingWizardView : public QObject
{
    Q_OBJECT

private slots:
    void childClearsItsBindingWithThePassword()
    {
        MemorySecureStore keychain;
        LoopbackFamilyServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        ChildComputer child(QDateTime::currentDateTimeUtc(), server.baseUrl());
        RemoteBackendConfig& config = child.config;
        config.setFamilyCode(u"123456"_s);
        ParentalPasswordStore passwords(std::make_unique<ParentalPasswordRepository>());
        passwords.setupPassword(u"secret"_s);
        ScriptedAlertPresenter alerts;
        MacRemoteBindingWizardView wizard(config, *child.selection, passwords, child.policies,
                                          child.workspace, alerts, [] {});
        wizard.show();

        const auto click = [&wizard](const QString& name) {
            QPushButton* button = nullptr;
            QTRY_VERIFY2((button = wizard.findChild<QPushButton*>(name)) && button->isEnabled(),
                         qPrintable(name));
            QTest::mouseClick(button, Qt::LeftButton);
        };
        // keyClicks only knows Latin keys; insert() is typing as far as the field's signals go.
        const auto type = [&wizard](const QString& text) {
            QLineEdit* field = nullptr;
            QTRY_VERIFY((field = wizard.findChild<QLineEdit*>(u"clearBindingPassword"_s)));
            field->clear();
            field->insert(text);
        };
        click(u"wizardForward"_s);
        click(u"wizardForward"_s);
        click(u"clearBindingButton"_s);
        type(u"wrong"_s);
        click(u"clearBindingConfirm"_s);
        QCOMPARE(wizard.findChild<QLabel*>(u"clearBindingPasswordError"_s)->text(), u"密码错误，请重试"_s);
        QCOMPARE(config.deviceID(), u"dev-1"_s);
        type(u"secret"_s);
        click(u"clearBindingConfirm"_s);
        QTRY_VERIFY(!wizard.findChild<QDialog*>(u"clearBindingSheet"_s));
        QVERIFY(config.deviceID().isEmpty());
        QCOMPARE(wizard.findChild<QLabel*>(u"wizardSuccessMessage"_s)->text(), u"已清除本机绑定"_s);
    }
};

QTEST_MAIN(TestBindingWizardView)
#include "TestBindingWizardView.moc"
