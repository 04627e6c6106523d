#include "App/VantorelMacApp.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Services/ContentViewModel.h"
#include "Services/MacUnlockRequestState.h"
#include "Views/ContentView.h"
#include "Views/MacAppSelectionView.h"
#include "Views/MacBackendURLSettingsView.h"
#include "Views/MacChildRuleSettingsView.h"
#include "Views/MacFeedbackView.h"
#include "Views/MacHelpView.h"
#include "Views/MacLockOverlayContent.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacLockOverlayWindow.h"
#include "Views/MacMoreMenuSheet.h"
#include "Views/MacTermsPrivacyConsentView.h"
#include "Views/MacUnlockRequestsView.h"
#include "Views/MacVerifyPasswordView.h"
#include "support/AwaitTask.h"
#include "support/NativePlatform.h"
#include "support/ParentFamilyFixture.h"
#include "support/ScriptedAlertPresenter.h"
#include "support/ScriptedWorkspace.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Answers "好的" as a person does: only after reading for a while, with the event loop running
// beneath the alert meanwhile.
class ReadingAlertPresenter final : public AlertPresenter
{
public:
    Answer runModal(const Alert& alert) override
    {
        shown.append(alert.informativeText);
        QTest::qWait(1200);
        return { 0, {} };
    }
    QStringList shown;
};

} // namespace
Q_DECLARE_METATYPE(std::optional<QString>)

// The home screen driven through its widgets, against a family on the real server: the sheets a
// parent opens from the dashboard and the more menu, the rename, the child's local unlock, the
// consent and the hidden self-check.
class TestHomeScreen : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_family = std::make_unique<ParentFamilyFixture>();
        QVERIFY2(m_family->start(), qPrintable(m_family->errorString()));
        m_family->defaults.setBoolean(ContentView::consentKey, true);
        m_requestsSent = m_requestsAnswered = 0;
        m_family->session.setFault([this](QNetworkAccessManager::Operation, const QUrl&) {
            ++m_requestsSent;
            return false;
        });
        connect(&m_family->session, &QNetworkAccessManager::finished, this, [this] { ++m_requestsAnswered; });
    }

    void cleanup()
    {
        // A request still on its way when the window goes would outlive the test.
        for (auto& app : m_apps) {
            app->window().hide();
        }
        QTRY_COMPARE(m_requestsAnswered, m_requestsSent);
        m_apps.clear();
        m_workspace.reset();
        m_presenters.clear();
        m_family.reset();
    }

    void dashboardRowsOpenTheirSheets_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("sheet");

        QTest::newRow("rule settings") << u"ruleSettings"_s << u"MacChildRuleSettingsView"_s;
        QTest::newRow("unlock review") << u"unlockRequests"_s << u"MacUnlockRequestsView"_s;
    }

    void dashboardRowsOpenTheirSheets()
    {
        QFETCH(QString, button);
        QFETCH(QString, sheet);
        m_family->requestUnlock(m_family->annID, 10);
        m_family->requestUnlock(m_family->benID, 30);
        auto app = openApp();
        QWidget* row = nullptr;
        QTRY_VERIFY((row = app->window().findChild<QWidget*>(u"child-"_s + m_family->benID)));

        click(row, button);
        QDialog* opened = nullptr;
        QTRY_VERIFY((opened = app->window().findChild<QDialog*>(sheet)) && opened->isVisible());
        // Each sheet works on the child whose row was used.
        if (auto* rules = qobject_cast<MacChildRuleSettingsView*>(opened)) {
            QCOMPARE(app->backendConfig().selectedChildDeviceID(), m_family->benID);
            QTRY_VERIFY(!rules->findChild<QWidget*>(u"loading"_s)->isVisible());
        }
        if (auto* review = qobject_cast<MacUnlockRequestsView*>(opened)) {
            // Ann asked too, but the review opened from Ben's row lists only his request.
            QTRY_COMPARE(review->findChildren<QWidget*>(QRegularExpression(u"^request-"_s)).size(), 1);
        }

        // Closing deletes the sheet and reloads the home screen's lists.
        QSignalSpy reloads(&app->contentView().viewModel(), &ContentViewModel::isLoadingChildDevicesChanged);
        click(opened, u"done"_s);
        QTRY_VERIFY(!app->window().findChild<QDialog*>(sheet));
        QTRY_COMPARE(reloads.size(), 2);
        QTRY_VERIFY(!app->contentView().viewModel().isLoadingChildDevices());
    }

    void renameReachesTheServer()
    {
        auto app = openApp();
        QWidget* row = nullptr;
        QTRY_VERIFY((row = app->window().findChild<QWidget*>(u"child-"_s + m_family->annID)));
        click(row, u"rename"_s);
        QDialog* sheet = nullptr;
        QTRY_VERIFY((sheet = app->window().findChild<QDialog*>(u"renameSheet"_s)));
        auto* draft = sheet->findChild<QLineEdit*>(u"renameDraft"_s);
        QCOMPARE(draft->text(), u"Ann"_s);
        draft->setText(u"  安安的电脑 "_s);
        click(sheet, u"renameSave"_s);

        QTRY_VERIFY(!app->window().findChild<QDialog*>(u"renameSheet"_s));
        QCOMPARE(m_family->server->queryValue(u"SELECT name FROM devices WHERE id = ?"_s, { m_family->annID })
                     .toString(),
                 u"安安的电脑"_s);
        QTRY_VERIFY(app->window().findChild<QWidget*>(u"child-"_s + m_family->annID));
    }

    void moreMenuOpensItsScreens()
    {
        auto& alerts = presenter<ReadingAlertPresenter>();
        auto app = openApp(&alerts);
        QWidget& window = app->window();
        click(&window, u"moreButton"_s);
        MacMoreMenuSheet* menu = nullptr;
        QTRY_VERIFY((menu = window.findChild<MacMoreMenuSheet*>()) && menu->isVisible());

        // Help opens over the menu, which stays.
        click(menu, u"row1"_s);
        MacHelpView* help = nullptr;
        QTRY_VERIFY((help = window.findChild<MacHelpView*>()) && help->isVisible());
        QCOMPARE(help->parentWidget(), menu);
        emit help->dismissRequested();
        QTRY_VERIFY(!window.findChild<MacHelpView*>());
        QVERIFY(menu->isVisible());

        // The thank-you closes the form while its alert is still being read.
        click(menu, u"row2"_s);
        MacFeedbackView* feedback = nullptr;
        QTRY_VERIFY((feedback = window.findChild<MacFeedbackView*>()) && feedback->isVisible());
        QTest::keyClicks(feedback->findChild<QPlainTextEdit*>(u"content"_s),
                         u"The lock screen buttons do nothing"_s);
        click(feedback, u"submit"_s);
        QTRY_COMPARE(alerts.shown, QStringList { u"感谢反馈已收到"_s });
        QTRY_VERIFY(!window.findChild<MacFeedbackView*>());
        QVERIFY(menu->isVisible());
    }

    void passwordAtTheChildLiftsTheLock_data()
    {
        QTest::addColumn<bool>("shellLayer");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("lifted");
        QTest::newRow("password sheet") << false << u"2468"_s << true;
        QTest::newRow("shell layer") << true << u"2468"_s << true;
        QTest::newRow("shell layer, wrong password") << true << u"2222"_s << false;
    }

    void passwordAtTheChildLiftsTheLock()
    {
        // A child not yet bound, so that no synchronisation runs beside the test. The wrong password
        // in the sheet is the sheet's own test; the lift's length and its upload are the view model's.
        QFETCH(bool, shellLayer);
        QFETCH(QString, password);
        QFETCH(bool, lifted);
        asChild(QString());
        ScriptedWorkspace workspace;
        RecordingLockLayer layer;
        workspace.layer = shellLayer ? &layer : nullptr;
        auto app = openApp(nullptr, &workspace);
        app->passwordStore().setupPassword(u"2468"_s);
        app->policyStore().update([](ScreenTimePolicy& policy) { policy.forceLocked = true; });
        auto& lock = app->lockOverlay();
        lock.show(MacPolicyExecutor::LockReason::forceLocked, app->policyStore().policy());

        if (shellLayer) {
            QVERIFY(layer.shown && lock.overlayWindows().isEmpty());
            QCOMPARE(layer.client.tryParentPassword(password), lifted);
            QCOMPARE(layer.shown.has_value(), !lifted);
        } else {
            click(&app->window(), u"localUnlockButton"_s);
            MacVerifyPasswordView* sheet = nullptr;
            QTRY_VERIFY((sheet = app->window().findChild<MacVerifyPasswordView*>()));
            sheet->findChild<QLineEdit*>(u"password"_s)->setText(password);
            click(sheet, u"confirm"_s);
            QTRY_VERIFY(!app->window().findChild<MacVerifyPasswordView*>());
        }
        QCOMPARE(app->policyStore().policy().forceLocked, !lifted);
        QCOMPARE(lock.isShowing(), !lifted);
        lock.hide();
        // The application goes before the workspace it was handed.
        app->window().hide();
        QTRY_COMPARE(m_requestsAnswered, m_requestsSent);
        m_apps.clear();
    }

    // How long a request stays pending is the request state's test; here that the lock screen asks
    // and then shows the parent's answer.
    void childHearsTheRefusalOnItsLockScreen()
    {
        const QString shown = u"家长拒绝了这次解锁申请"_s;
        ScreenTimePolicy locked;
        locked.forceLocked = true;
        // Ann's computer, bound only once the window is up, so that no synchronisation runs beside
        // the test.
        asChild(QString());
        auto& alerts = presenter<ScriptedAlertPresenter>();
        auto app = openApp(&alerts);
        app->unlockRequests().setAnswerPeriod(std::chrono::milliseconds(50));
        QTest::qWait(50);
        app->backendConfig().setDeviceID(m_family->annID);
        auto& lock = app->lockOverlay();
        lock.show(MacPolicyExecutor::LockReason::forceLocked, locked);
        const auto lockScreen = [&lock] { return lock.overlayWindows().first()->content(); };
        click(lockScreen(), u"unlockRequestButton"_s);
        QTRY_COMPARE(lockScreen()->findChild<QLabel*>(u"lockStatusText"_s)->text(),
                     u"已向家长发出解锁申请"_s);

        const auto pending
            = AwaitTask::run(m_family->client->fetchUnlockRequests(m_family->familyCode, u"pending"_s));
        QCOMPARE(pending.value->size(), 1);
        QVERIFY(
            !AwaitTask::run(m_family->client->decideUnlockRequest(pending.value->first().id, u"reject"_s, {}))
                 .error);
        QTRY_COMPARE(lockScreen()->findChild<QLabel*>(u"unlockRequestPendingText"_s)->text(), shown);
        QTest::qWait(200);
        QCOMPARE(lockScreen()->findChild<QLabel*>(u"unlockRequestPendingText"_s)->text(), shown);
        QVERIFY(lockScreen()->findChild<QLabel*>(u"unlockRequestPendingText"_s)->isVisibleTo(lockScreen()));
        QVERIFY(alerts.shown().isEmpty());
        lock.hide();
    }

    void adjustingRulesAsksTheParent_data()
    {
        // The prompt's own answers (Esc, a wrong password) are the role buttons' test; here that
        // both ways into the rules ask it and follow its answer.
        QTest::addColumn<QString>("password");
        QTest::addColumn<std::optional<QString>>("typed");
        QTest::addColumn<bool>("opens");
        // False: the server address under 更多 instead of "调整规则".
        QTest::addColumn<bool>("selection");
        QTest::newRow("no password yet: the home screen offers to set one")
            << u""_s << std::optional<QString>() << true << true;
        QTest::newRow("wrong password") << u"2468"_s << std::optional<QString>(u"1357"_s) << false << true;
        QTest::newRow("the password") << u"2468"_s << std::optional<QString>(u"2468"_s) << true << true;
        QTest::newRow("server address, wrong password")
            << u"2468"_s << std::optional<QString>(u"1357"_s) << false << false;
        QTest::newRow("server address, the password")
            << u"2468"_s << std::optional<QString>(u"2468"_s) << true << false;
    }

    void adjustingRulesAsksTheParent()
    {
        QFETCH(QString, password);
        QFETCH(std::optional<QString>, typed);
        QFETCH(bool, opens);
        QFETCH(bool, selection);
        asChild(m_family->annID);
        auto& alerts = presenter<ScriptedAlertPresenter>();
        if (typed) {
            alerts.setNextAnswer(0, *typed);
        }
        auto app = openApp(&alerts);
        QWidget& window = app->window();
        if (!password.isEmpty()) {
            app->passwordStore().setupPassword(password);
        }
        auto* notice = window.findChild<QWidget*>(u"noPasswordNotice"_s);
        QCOMPARE(notice->isVisible(), password.isEmpty());

        if (!selection) {
            click(&window, u"moreButton"_s);
            MacMoreMenuSheet* menu = nullptr;
            QTRY_VERIFY((menu = window.findChild<MacMoreMenuSheet*>()) && menu->isVisible());
            click(menu, u"row0"_s);
            QTest::qWait(400); // the address replaces the menu after a moment
            QCOMPARE(window.findChild<MacBackendURLSettingsView*>() != nullptr, opens);
            QVERIFY(!window.findChild<MacMoreMenuSheet*>());
            QVERIFY(!alerts.shown().isEmpty());
            return;
        }
        click(&window, u"adjustRulesButton"_s);
        QCOMPARE(window.findChild<MacAppSelectionView*>() != nullptr, opens);
        if (!password.isEmpty()) {
            QVERIFY(!alerts.shown().isEmpty());
            return;
        }
        window.findChild<MacAppSelectionView*>()->reject();
        click(&window, u"setPasswordButton"_s);
        QDialog* sheet = nullptr;
        QTRY_VERIFY((sheet = window.findChild<QDialog*>(u"passwordSetupSheet"_s)));
        QTest::keyClicks(sheet->findChild<QLineEdit*>(u"newPassword"_s), u"2468"_s);
        auto* again = sheet->findChild<QLineEdit*>(u"confirmPassword"_s);
        QTest::keyClicks(again, u"2468"_s);
        QTest::keyClick(again, Qt::Key_Return);
        QTRY_VERIFY(!notice->isVisible());
        QVERIFY(app->passwordStore().verify(u"2468"_s));
    }

    // Without the desktop's extension for this application only the process shield holds: the
    // child's computer says so, the parent's has nothing to say.
    void desktopExtensionNotice_data()
    {
        QTest::addColumn<bool>("child");
        QTest::addColumn<bool>("missing");
        QTest::newRow("child, extension missing") << true << true;
        QTest::newRow("child, extension answering") << true << false;
        QTest::newRow("parent, extension missing") << false << true;
    }

    void desktopExtensionNotice()
    {
        QFETCH(bool, child);
        QFETCH(bool, missing);
        if (child) {
            asChild(m_family->annID);
        }
        m_workspace = std::make_unique<ScriptedWorkspace>();
        m_workspace->extensionMissing = missing;
        auto* app = openApp(nullptr, m_workspace.get());
        QCOMPARE(app->window().findChild<QWidget*>(u"desktopExtensionNotice"_s)->isVisible(),
                 child && missing);
    }

    void consentIsLeftOnlyByAgreeingAndStaysAgreed()
    {
        m_family->defaults.removeObject(ContentView::consentKey);
        {
            VantorelMacApp* app = openApp();
            MacTermsPrivacyConsentView* consent = nullptr;
            QTRY_VERIFY((consent = app->window().findChild<MacTermsPrivacyConsentView*>())
                        && consent->isVisible());
            QCOMPARE(consent->geometry(), app->contentView().rect());
            click(consent, u"agree"_s);
            QTRY_VERIFY(!app->window().findChild<MacTermsPrivacyConsentView*>());
            QCOMPARE(m_family->defaults.boolean(ContentView::consentKey), std::optional<bool>(true));
        }
        VantorelMacApp* again = openApp();
        QVERIFY(!again->window().findChild<MacTermsPrivacyConsentView*>());
    }

    void fiveHeaderTapsRunTheSelfCheck()
    {
        auto& alerts = presenter<ScriptedAlertPresenter>();
        auto app = openApp(&alerts);
        QWidget* header = app->window().findChild<QWidget*>(u"homeHeader"_s);
        QVERIFY(header);
        for (int tap = 0; tap < 5; ++tap) {
            QTest::mouseClick(header, Qt::LeftButton);
        }
        QTRY_COMPARE(alerts.shown().size(), 1);
    }

private:
    void asChild(const QString& deviceID)
    {
        m_family->config->setRole(RemoteDeviceRole::child);
        m_family->config->setDeviceID(deviceID);
    }

    static void click(QWidget* root, const QString& name)
    {
        QPushButton* button = nullptr;
        QTRY_VERIFY2((button = root->findChild<QPushButton*>(name)) && button->isVisible(), qPrintable(name));
        QTest::mouseClick(button, Qt::LeftButton);
    }

    // Kept until the applications are gone: an alert may still come up while a test ends.
    template <typename Presenter> Presenter& presenter()
    {
        m_presenters.push_back(std::make_unique<Presenter>());
        return static_cast<Presenter&>(*m_presenters.back());
    }

    // The window system and the processes are the test's where `workspace` is given.
    VantorelMacApp* openApp(AlertPresenter* alerts = nullptr, ScriptedWorkspace* workspace = nullptr)
    {
        m_apps.push_back(std::make_unique<VantorelMacApp>(
            *qApp, VantorelMacApp::Settings::installed,
            nativePlatformWith(m_family->keychain, m_family->session, workspace), alerts));
        m_apps.back()->window().show();
        return m_apps.back().get();
    }

    std::unique_ptr<ParentFamilyFixture> m_family;
    std::unique_ptr<ScriptedWorkspace> m_workspace; // outlives the applications that use it
    std::vector<std::unique_ptr<AlertPresenter>> m_presenters;
    std::vector<std::unique_ptr<VantorelMacApp>> m_apps;
    int m_requestsSent = 0;
    int m_requestsAnswered = 0;
};

QTEST_MAIN(TestHomeScreen)
#include "TestHomeScreen.moc"
