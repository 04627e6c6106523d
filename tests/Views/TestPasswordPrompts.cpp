#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacVerifyPasswordView.h"
#include "Views/MessageBoxAlertPresenter.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"
#include "support/ScriptedWorkspace.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

// Where a parent types the password: the lock's password sheet, and the alert with a secure field
// that the other prompts use.
class TestPasswordPrompts : public QObject
{
    Q_OBJECT

    MemoryUserDefaults m_defaults;

private slots:
    void keysAndMissingPassword_data()
    {
        QTest::addColumn<bool>("passwordSet");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("verified");
        QTest::addColumn<bool>("stillOpen");
        QTest::addColumn<QString>("error");
        QTest::newRow("Return confirms")
            << true << u"爸爸的密码"_s << int(Qt::Key_Return) << 1 << true << u""_s;
        QTest::newRow("Return with a wrong one says so")
            << true << u"wrong"_s << int(Qt::Key_Return) << 0 << true << u"密码错误，请重试"_s;
        QTest::newRow("Esc cancels") << true << u"爸爸的密码"_s << int(Qt::Key_Escape) << 0 << false << u""_s;
        QTest::newRow("no password here: says where to set one")
            << false << u"1234"_s << int(Qt::Key_Return) << 0 << true
            << u"本机还没有设置家长密码，无法用密码解锁。请家长在首页点击“设置家长密码”设置后再用。"_s;
    }

    void keysAndMissingPassword()
    {
        QFETCH(bool, passwordSet);
        QFETCH(QString, typed);
        QFETCH(int, key);
        QFETCH(int, verified);
        QFETCH(bool, stillOpen);
        QFETCH(QString, error);
        m_defaults.clear();
        MemorySecureStore keychain;
        ParentalPasswordStore store(std::make_unique<ParentalPasswordRepository>(), keychain, m_defaults);
        if (passwordSet) {
            store.setupPassword(u"爸爸的密码"_s);
        }
        int verifiedCount = 0;
        MacVerifyPasswordView view(store, [&verifiedCount] { ++verifiedCount; });
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(view.findChild<QPushButton*>(u"cancel"_s)->isVisible());
        auto* field = view.findChild<QLineEdit*>(u"password"_s);
        field->setFocus();
        field->setText(typed); // typed keys are ASCII only in QTest
        QTest::keyClick(field, Qt::Key(key));
        QCOMPARE(verifiedCount, verified);
        QCOMPARE(view.isVisible(), stillOpen);
        QCOMPARE(view.errorMessage(), error);
    }
    void answers_data()
    {
        QTest::addColumn<bool>("secureField");
        QTest::addColumn<int>("clicked");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("underLock");
        QTest::newRow("first button with a password") << true << 0 << u"parent pw"_s << false;
        QTest::newRow("closed with Escape") << true << -1 << QString() << false;
        QTest::newRow("no field") << false << 0 << QString() << false;
        QTest::newRow("raised above the lock screen") << true << 0 << u"parent pw"_s << true;
    }
    void answers()
    {
        QFETCH(bool, secureField);
        QFETCH(int, clicked);
        QFETCH(QString, typed);
        QFETCH(bool, underLock);
        ScriptedWorkspace workspace;
        MacLockOverlayController overlay(workspace, workspace.processes);
        if (underLock) {
            overlay.show(MacPolicyExecutor::LockReason::forceLocked, {});
        }

        QStringList buttonTexts;
        bool fieldHadFocus = false;
        bool aboveOthers = false;
        QTimer::singleShot(0, this, [&] {
            onceDialogShows([&](QDialog* dialog) {
                aboveOthers = dialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
                const auto buttons = dialog->findChildren<QPushButton*>();
                for (auto* button : buttons) {
                    buttonTexts.append(button->text());
                }
                if (auto* field = dialog->findChild<QLineEdit*>(u"secureField"_s)) {
                    fieldHadFocus = dialog->focusWidget() == field;
                    QCOMPARE(field->echoMode(), QLineEdit::Password);
                    QTest::keyClicks(field, typed);
                }
                if (clicked < 0) {
                    QTest::keyClick(dialog, Qt::Key_Escape);
                } else {
                    QTest::mouseClick(buttons.at(clicked), Qt::LeftButton);
                }
            });
        });

        MessageBoxAlertPresenter presenter(&overlay);
        const auto answer = presenter.runModal(
            { u"退出岚哨需要家长密码"_s, u"说明"_s, { u"确认退出"_s, u"取消"_s }, secureField });

        QCOMPARE(buttonTexts, (QStringList { u"确认退出"_s, u"取消"_s }));
        QCOMPARE(answer.button, clicked);
        QCOMPARE(answer.fieldText, secureField ? typed : QString());
        QCOMPARE(fieldHadFocus, secureField);
        QCOMPARE(aboveOthers, underLock);
    }

private:
    // Runs `act` on the dialog once it is the active modal window.
    void onceDialogShows(const std::function<void(QDialog*)>& act)
    {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) {
            QTimer::singleShot(20, this, [this, act] { onceDialogShows(act); });
            return;
        }
        act(dialog);
    }
};

QTEST_MAIN(TestPasswordPrompts)
#include "TestPasswordPrompts.moc"
