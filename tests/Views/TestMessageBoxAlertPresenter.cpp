#include "Views/MacLockOverlayController.h"
#include "Views/MessageBoxAlertPresenter.h"
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

class TestMessageBoxAlertPresenter : public QObject
{
    Q_OBJECT

    MemoryUserDefaults m_defaults;

private slots:
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

QTEST_MAIN(TestMessageBoxAlertPresenter)
#include "TestMessageBoxAlertPresenter.moc"
