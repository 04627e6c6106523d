#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/BindingViewModel.h"
#include "Views/Binding/BindingStep1RoleView.h"
#include "Views/Binding/BindingStep2PasswordView.h"
#include "Views/MacRemoteBindingWizardView.h"
#include "support/ChildComputer.h"
#include "support/LoopbackFamilyServer.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"
#include "support/ScriptedAlertPresenter.h"
#include "support/ScriptedWorkspace.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(std::optional<QString>)

// The binding wizard clicked through as a person would. Creating and joining a family are walked
// by the family scenario; here the role buttons, which answer a mouse click and the toggle action
// of assistive technology alike (a child computer becomes a parent's only with the parent
// password), and the step only a child computer offers: clearing its binding.
class TestBindingWizardView : public QObject
{
    Q_OBJECT

private slots:
    void choosingARole_data()
    {
        QTest::addColumn<RemoteDeviceRole>("stored");
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("byToggleAction");
        QTest::addColumn<RemoteDeviceRole>("expected");
        // A parent password set here, and what the password prompt is answered with.
        QTest::addColumn<QString>("password");
        QTest::addColumn<std::optional<QString>>("typed");
        const auto none = std::optional<QString>();
        QTest::newRow("toggle action picks parent") << RemoteDeviceRole::unknown << u"roleParentButton"_s
                                                    << true << RemoteDeviceRole::parent << u""_s << none;
        QTest::newRow("toggle action switches to child")
            << RemoteDeviceRole::parent << u"roleChildButton"_s << true << RemoteDeviceRole::child << u"pw"_s
            << none;
        QTest::newRow("click picks child") << RemoteDeviceRole::unknown << u"roleChildButton"_s << false
                                           << RemoteDeviceRole::child << u""_s << none;
        QTest::newRow("click on the chosen role keeps it")
            << RemoteDeviceRole::child << u"roleChildButton"_s << false << RemoteDeviceRole::child << u""_s
            << none;
        QTest::newRow("child to parent, wrong password")
            << RemoteDeviceRole::child << u"roleParentButton"_s << true << RemoteDeviceRole::child << u"pw"_s
            << std::optional<QString>(u"guess"_s);
        QTest::newRow("child to parent with the password")
            << RemoteDeviceRole::child << u"roleParentButton"_s << false << RemoteDeviceRole::parent
            << u"pw"_s << std::optional<QString>(u"pw"_s);
    }

    void choosingARole()
    {
        QFETCH(RemoteDeviceRole, stored);
        QFETCH(QString, button);
        QFETCH(bool, byToggleAction);
        QFETCH(RemoteDeviceRole, expected);
        QFETCH(QString, password);
        QFETCH(std::optional<QString>, typed);
        MemoryUserDefaults defaults;
        MemorySecureStore keychain;
        ScriptedAlertPresenter alerts;
        if (typed) {
            alerts.setNextAnswer(0, *typed);
        }
        QNetworkAccessManager network;
        RemoteBackendConfig config(defaults, keychain, network);
        config.setRole(stored);
        ParentalPasswordStore passwords(std::make_unique<ParentalPasswordRepository>(), keychain, defaults);
        if (!password.isEmpty()) {
            passwords.setupPassword(password);
        }
        ScriptedWorkspace workspace;
        BindingViewModel model(workspace);
        BindingStep1RoleView view({ model, config, passwords, alerts });
        view.show();

        auto* pressed = view.findChild<QPushButton*>(button);
        QVERIFY(pressed);
        if (byToggleAction) {
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(pressed);
            QVERIFY(accessible && accessible->actionInterface());
            QVERIFY(accessible->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::toggleAction()));
            accessible->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        } else {
            QTest::mouseClick(pressed, Qt::LeftButton);
        }
        QCOMPARE(config.role(), expected);
        if (stored != expected) {
            QCOMPARE(model.isParent, expected == RemoteDeviceRole::parent);
        }
        QCOMPARE(view.findChild<QPushButton*>(u"roleParentButton"_s)->isChecked(),
                 expected == RemoteDeviceRole::parent);
        QCOMPARE(view.findChild<QPushButton*>(u"roleChildButton"_s)->isChecked(),
                 expected == RemoteDeviceRole::child);
    }

    // The keyboard alone sets the parent password: Return moves on from the first field and sets
    // the password from the second.
    void passwordStepByKeyboard()
    {
        MemoryUserDefaults defaults;
        MemorySecureStore keychain;
        ScriptedAlertPresenter alerts;
        QNetworkAccessManager network;
        RemoteBackendConfig config(defaults, keychain, network);
        ParentalPasswordStore passwords(std::make_unique<ParentalPasswordRepository>(), keychain, defaults);
        ScriptedWorkspace workspace;
        BindingViewModel model(workspace);
        BindingStep2PasswordView view({ model, config, passwords, alerts });
        view.show();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        auto* first = view.findChild<QLineEdit*>(u"passwordInput"_s);
        first->setFocus();
        QTest::keyClicks(first, u"2468"_s);
        QTest::keyClick(first, Qt::Key_Return);
        auto* second = view.findChild<QLineEdit*>(u"passwordConfirm"_s);
        QTRY_VERIFY(second->hasFocus());
        QTest::keyClicks(second, u"2468"_s);
        QTest::keyClick(second, Qt::Key_Return);
        QVERIFY(passwords.verify(u"2468"_s));
    }

    void childClearsItsBindingWithThePassword()
    {
        LoopbackFamilyServer server;
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        ChildComputer child(QDateTime::currentDateTimeUtc(), server.baseUrl());
        RemoteBackendConfig& config = child.config;
        config.setFamilyCode(u"123456"_s);
        ParentalPasswordStore passwords(std::make_unique<ParentalPasswordRepository>(), child.keychain,
                                        child.defaults);
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
