#include "Views/MacLockOverlayContent.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacLockOverlayWindow.h"
#include "support/MemoryUserDefaults.h"
#include "support/ScriptedWorkspace.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using MacPolicyExecutor::LockDecision;
using MacPolicyExecutor::LockReason;

Q_DECLARE_METATYPE(LockDecision)

namespace {
ScreenTimePolicy policyWith(qint64 startHour, qint64 endHour)
{
    ScreenTimePolicy policy;
    policy.blockedStart = { startHour, 0 };
    policy.blockedEnd = { endHour, 0 };
    return policy;
}

const MacSelectionPayload kSelection {
    { u"com.Example.Game"_s }, { u"Chat"_s }, { u"/opt/tool"_s }, u"mac"_s
};

QString reasonOf(MacLockOverlayWindow* window)
{
    return window->content()->findChild<QLabel*>(u"reasonText"_s)->text();
}
} // namespace

class TestMacLockOverlayController : public QObject
{
    Q_OBJECT

    MemoryUserDefaults m_defaults;
    QList<MacLockOverlayController::Screen> m_screens;
    MacLockOverlayController::ScreenSource screens()
    {
        return [this] { return m_screens; };
    }

private slots:
    void init() { m_screens = { { nullptr, QRect(0, 0, 800, 600) }, { nullptr, QRect(800, 0, 1024, 768) } }; }

    void reasonTexts_data()
    {
        QTest::addColumn<LockReason>("reason");
        QTest::addColumn<ScreenTimePolicy>("policy");
        QTest::addColumn<QString>("text");
        ScreenTimePolicy rest;
        rest.eyeRestRestMinutes = 7;
        QTest::newRow("day period still says next day")
            << LockReason::blockedPeriod << policyWith(9, 17) << u"当前处于禁用时段：09:00 - 次日 17:00"_s;
        QTest::newRow("missing components are zero")
            << LockReason::blockedPeriod
            << ScreenTimePolicy { 120, { std::nullopt, 30 }, { 7, std::nullopt }, false, {}, 45, 15 }
            << u"当前处于禁用时段：00:30 - 次日 07:00"_s;
        QTest::newRow("out-of-range hour rolls over")
            << LockReason::blockedPeriod << policyWith(25, 8) << u"当前处于禁用时段：01:00 - 次日 08:00"_s;
        QTest::newRow("eye rest") << LockReason::eyeRest << rest << u"视力保护休息中（7 分钟）"_s;
    }

    void reasonTexts()
    {
        QFETCH(LockReason, reason);
        QFETCH(ScreenTimePolicy, policy);
        QFETCH(QString, text);
        QCOMPARE(MacLockShield::reasonText(reason, policy), text);
    }

    void decisionMapping_data()
    {
        QTest::addColumn<LockDecision>("decision");
        QTest::addColumn<bool>("showing");
        QTest::addColumn<bool>("appBlock");
        QTest::newRow("not locked") << LockDecision {} << false << false;
        QTest::newRow("locked without reason") << LockDecision { true, std::nullopt } << false << false;
        QTest::newRow("forceLocked") << LockDecision { true, LockReason::forceLocked } << true << false;
        QTest::newRow("blockedPeriod") << LockDecision { true, LockReason::blockedPeriod } << false << true;
    }

    void decisionMapping()
    {
        QFETCH(LockDecision, decision);
        QFETCH(bool, showing);
        QFETCH(bool, appBlock);
        ScriptedWorkspace workspace;
        workspace.running
            = { ScriptedWorkspace::app(u"com.example.game"_s, u"Game"_s, u"/usr/bin/game"_s, 7) };
        MacLockOverlayController controller(workspace, workspace.processes, screens());
        // Start from the full lock so that every answer has something to undo.
        controller.apply({ true, LockReason::forceLocked }, {}, kSelection);
        workspace.hidden.clear();
        controller.apply(decision, {}, kSelection);
        QCOMPARE(controller.isShowing(), showing);
        QCOMPARE(controller.isAppBlocking(), appBlock);
        QCOMPARE(controller.shieldTimer() != nullptr, showing || appBlock);
        for (auto* window : controller.overlayWindows()) {
            QCOMPARE(window->isVisible(), showing);
        }
        QCOMPARE(workspace.hidden.size(), showing || appBlock ? 1 : 0); // both run one step at once
        if (appBlock) {
            const auto activations = workspace.activations.size();
            controller.enforceShield();
            QCOMPARE(workspace.hidden.size(), 2);
            QCOMPARE(workspace.activations.size(), activations); // no windows to bring forward
        }
    }

    void windowsFollowTheScreens()
    {
        ScriptedWorkspace workspace;
        MacLockOverlayController controller(workspace, workspace.processes, screens());
        controller.show(LockReason::forceLocked, {});
        const auto first = controller.overlayWindows();
        QCOMPARE(first.size(), 2);
        QCOMPARE(reasonOf(first[1]), u"设备已被家长一键锁定"_s);
        QVERIFY(first[0]->windowFlags().testFlag(Qt::X11BypassWindowManagerHint));

        controller.show(LockReason::dailyLimit, {});
        QCOMPARE(controller.overlayWindows(), first);
        QCOMPARE(reasonOf(first[0]), u"今日使用已达上限（120 分钟）"_s);

        m_screens.removeLast();
        controller.show(LockReason::forceLocked, {});
        QVERIFY(!first[0]->isVisible() && !first[1]->isVisible());
        const auto second = controller.overlayWindows();
        QCOMPARE(second.size(), 1);
        QVERIFY(!first.contains(second[0]));
        QVERIFY(second[0]->isVisible());

        controller.hide();
        QVERIFY(!controller.isShowing());
        QVERIFY(!second[0]->isVisible());
        controller.hide();
        QCOMPARE(controller.lockReason(), LockReason::forceLocked);
        QCOMPARE(controller.lockReasonText(), u"设备已被家长一键锁定"_s);
    }

    void shieldHidesOnlyOtherControlledRegularApps()
    {
        ScriptedWorkspace workspace;
        const auto own = QCoreApplication::applicationPid();
        workspace.running = {
            ScriptedWorkspace::app(u"com.example.game"_s, u"Game"_s, u"/usr/bin/game"_s, 10),
            ScriptedWorkspace::app(u"com.example.game"_s, u"Game helper"_s, u"/usr/bin/gh"_s, 13, false),
            ScriptedWorkspace::app(u"vantorel"_s, u"岚哨"_s, u"/usr/bin/vantorel"_s, 14),
            ScriptedWorkspace::app(u"com.example.game"_s, u"Game"_s, u"/usr/bin/game"_s, own),
            ScriptedWorkspace::app(u"org.other"_s, u"Other"_s, u"/usr/bin/other"_s, 15),
        };
        MacLockOverlayController controller(workspace, workspace.processes, screens());
        controller.setShieldTargets(
            { { u"com.Example.Game"_s, u"vantorel"_s }, { u"Chat"_s }, {}, u"mac"_s });
        controller.show(LockReason::forceLocked, {});
        QList<qint64> hidden;
        for (const auto& app : workspace.hidden) {
            hidden.append(app.processIdentifier);
        }
        QCOMPARE(hidden, QList<qint64> { 10 });
        QVERIFY(!workspace.activations.isEmpty());
        QCOMPARE(workspace.activations.last().size(), 2);

        // A controlled application started while the overlay shows is hidden at the next tick.
        workspace.hidden.clear();
        workspace.running = { ScriptedWorkspace::app(u"org.chat2"_s, u"chat"_s, {}, 20) };
        QTRY_COMPARE_WITH_TIMEOUT(workspace.hidden.size(), 1, 1500);
        QCOMPARE(workspace.hidden.first().processIdentifier, 20);
    }

    void buttonsRunTheCoordinatorsActions_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key"); // 0: a mouse click
        QTest::addColumn<int>("requests");
        QTest::addColumn<int>("passwords");
        QTest::newRow("click password") << u"passwordUnlockButton"_s << 0 << 0 << 1;
        QTest::newRow("Return on the focused request")
            << u"unlockRequestButton"_s << int(Qt::Key_Return) << 0 << 0;
        QTest::newRow("Enter on the focused password")
            << u"passwordUnlockButton"_s << int(Qt::Key_Enter) << 0 << 0;
        QTest::newRow("Space presses the focused request")
            << u"unlockRequestButton"_s << int(Qt::Key_Space) << 1 << 0;
    }

    void buttonsRunTheCoordinatorsActions()
    {
        QFETCH(QString, button);
        QFETCH(int, key);
        QFETCH(int, requests);
        QFETCH(int, passwords);
        ScriptedWorkspace workspace;
        int requested = 0;
        int passworded = 0;
        MacLockOverlayController controller(workspace, workspace.processes, screens());
        auto& coordinator = controller.coordinator();
        coordinator.onUnlockRequest = [&] { ++requested; };
        coordinator.onPasswordUnlock = [&] { ++passworded; };
        coordinator.setStatusText(u"已向家长发出解锁申请"_s);
        controller.show(LockReason::forceLocked, {});
        auto* content = controller.overlayWindows().first()->content();
        QCOMPARE(content->findChild<QLabel*>(u"lockStatusText"_s)->text(), u"已向家长发出解锁申请"_s);
        auto* target = content->findChild<QPushButton*>(button);
        if (key == 0) {
            QTest::mouseClick(target, Qt::LeftButton);
        } else {
            target->setFocus();
            QTest::keyClick(target, Qt::Key(key));
        }
        QCOMPARE(requested, requests);
        QCOMPARE(passworded, passwords);
        coordinator.setStatusText({});
        QVERIFY(content->findChild<QLabel*>(u"lockStatusText"_s)->isHidden());
        controller.hide();
    }
};

QTEST_MAIN(TestMacLockOverlayController)
#include "TestMacLockOverlayController.moc"
