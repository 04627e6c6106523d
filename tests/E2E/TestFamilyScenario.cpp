#include "Platform/SqliteUserDefaults.h"
#include "Services/MacRemotePolicySyncService.h"
#include "Services/ParentDashboardViewModel.h"
#include "support/AtspiDriver.h"
#include "support/DesktopSession.h"
#include "support/FakeNotificationServer.h"
#include "support/LoopbackFamilyServer.h"
#include "support/ScenarioComputer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;
using Node = AtspiDriver::Node;

// A step function reports its own failure; the step then ends there.
#define DO(call)                                                                                             \
    do {                                                                                                     \
        call;                                                                                                \
        if (QTest::currentTestFailed()) {                                                                    \
            return;                                                                                          \
        }                                                                                                    \
    } while (false)
#define DO_CHECK() DO((void)0)

namespace {

DesktopSession* g_session = nullptr;

// Short enough for the whole road in about a minute; the settings key can only shorten them.
constexpr double syncPeriodSeconds = 3;
constexpr double watchPeriodSeconds = 2;
// One synchronisation cycle, with room for the requests and a sanitiser build's slowness.
constexpr int withinOneCycleMs = int(syncPeriodSeconds * 1000) + 7000;
constexpr int uiTimeoutMs = ScenarioComputer::uiTimeoutMs;

const QString childPassword = u"child-lock-7"_s;
const QString parentPassword = u"parent-pass-1"_s;
const QString lockText = u"设备已被家长一键锁定"_s;
const QString controlledName = u"Practice Pad"_s;
const QString controlledClass = u"practicepad"_s;

} // namespace

// A family's road, end to end, on one desktop: the real family server, a parent's and a child's
// application, each with its own settings and secrets, driven only through their windows (over
// the accessibility bus, and with pointer and keys where a person would click or type) and
// checked against the server, the X server and a notification service on the session bus.
// Each step builds on the one before; after a failure the rest is skipped.
class TestFamilyScenario : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString appBinary = qEnvironmentVariable("VANTOREL_APP_BINARY");
        QVERIFY2(QFile::exists(appBinary), "VANTOREL_APP_BINARY must name the built application");
        m_recordDir = qEnvironmentVariable("VANTOREL_SCENARIO_RECORD_DIR");
        if (!m_recordDir.isEmpty()) {
            QVERIFY(QDir().mkpath(m_recordDir));
        }

        LoopbackFamilyServer::Setup setup;
        setup.mode = LoopbackFamilyServer::Mode::Process;
        setup.requestLogFile
            = (m_recordDir.isEmpty() ? m_dir.path() : m_recordDir) + u"/server-requests.log"_s;
        m_server = std::make_unique<LoopbackFamilyServer>(setup);
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));

        m_notifications = std::make_unique<FakeNotificationServer>();
        QVERIFY(m_notifications->registerOn(g_session->busAddress()));
        m_atspi = std::make_unique<AtspiDriver>(g_session->busAddress());
        QVERIFY2(m_atspi->isConnected(), qPrintable(m_atspi->errorString()));

        // Administrator prompts are refused on this desktop, as a parent who cancels them would: the
        // child guard is not the subject here, and nothing may be installed on the machine.
        const QString bin = m_dir.path() + u"/bin"_s;
        QVERIFY(QDir().mkpath(bin));
        QFile refuse(bin + u"/pkexec"_s);
        QVERIFY(refuse.open(QIODevice::WriteOnly));
        refuse.write("#!/bin/sh\nexit 126\n");
        refuse.close();
        QVERIFY(refuse.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        // Two computers, two displays: the child's lock covers only the child's screens.
        m_parent = std::make_unique<ScenarioComputer>(*g_session, *m_atspi);
        m_child = std::make_unique<ScenarioComputer>(*g_session, *m_atspi);
        DO(prepare(*m_parent, u"parent"_s, g_session->secondDisplay()));
        DO(prepare(*m_child, u"child"_s, g_session->display()));

        // The controlled program appears in the child's menu as a desktop entry of its own.
        const QString applications = m_child->root() + u"/data/applications"_s;
        QVERIFY(QDir().mkpath(applications));
        QFile entry(applications + u"/practice-pad.desktop"_s);
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write(u"[Desktop Entry]\nType=Application\nName=%1\nExec=xmessage -name %2 Practice\n"
                    "StartupWMClass=%2\nIcon=accessories-text-editor\n"_s.arg(controlledName, controlledClass)
                        .toUtf8());
    }

    void init()
    {
        if (m_failed) {
            QSKIP("an earlier step failed");
        }
    }

    void cleanup()
    {
        if (QTest::currentTestFailed()) {
            m_failed = true;
            if (!m_familyCode.isEmpty() && m_server) {
                const QString device = childDeviceId();
                qInfo() << "child usage today (s)" << todayUsageSeconds(device);
            }
            for (ScenarioComputer* computer : { m_parent.get(), m_child.get() }) {
                if (!m_recordDir.isEmpty()) {
                    QFile::copy(computer->logFile(),
                                m_recordDir + u"/"_s + computer->label() + u"-app.log"_s);
                }
                if (computer->application().isValid()) {
                    qInfo().noquote() << computer->label() << "shows:\n"
                                      << m_atspi->dump(computer->application());
                }
            }
            screenshot(u"failed-"_s + QString::fromLatin1(QTest::currentTestFunction()));
        }
    }

    void cleanupTestCase()
    {
        if (m_controlled) {
            g_session->stopProgram(m_controlled);
        }
        if (m_child) {
            m_child->quit();
        }
        if (m_parent) {
            m_parent->quit();
        }
        m_atspi.reset();
        m_notifications.reset();
        m_server.reset();
    }

    void parentCreatesFamily()
    {
        DO(launchOnOwnServer(*m_parent));
        DO(setParentPassword(*m_parent, parentPassword));
        DO(m_parent->press(u"下一步"_s));
        DO(m_parent->type(u"本设备昵称（如：家长的电脑）"_s, u"Parent Laptop"_s));
        DO(m_parent->press(u"创建家庭"_s));
        const Node created = m_parent->waitForContaining(u"家庭创建成功，家庭码："_s);
        DO_CHECK();
        static const QRegularExpression code(u"(\\d{6})"_s);
        m_familyCode = code.match(m_atspi->name(created)).captured(1);
        QVERIFY2(!m_familyCode.isEmpty(), qPrintable(m_atspi->name(created)));
        screenshot(u"parent-family-created"_s);
        DO(m_parent->press(u"完成"_s));
        QTRY_VERIFY_WITH_TIMEOUT(
            m_parent->gone(u"关闭本窗口后，可在首屏查看孩子设备列表、规则设置与解锁申请处理。"_s),
            uiTimeoutMs);
    }

    void childJoinsWithPasswordSetBeside()
    {
        DO(launchOnOwnServer(*m_child));
        // The parent sits at the child's computer: the password is set where it will be typed.
        DO(setParentPassword(*m_child, childPassword));
        DO(m_child->press(u"上一步"_s));
        DO(m_child->press(u"孩子"_s));
        DO(m_child->press(u"下一步"_s));
        DO(m_child->type(u"家庭码"_s, m_familyCode));
        DO(m_child->type(u"本设备昵称（如：小明的电脑）"_s, u"Xiaoming PC"_s));
        DO(m_child->press(u"加入家庭"_s));
        DO(m_child->waitFor(u"已加入家庭"_s));
        screenshot(u"child-joined"_s);
        DO(m_child->press(u"完成"_s));
        QTRY_VERIFY_WITH_TIMEOUT(m_child->gone(u"已加入家庭"_s), uiTimeoutMs);
        QVERIFY(!childDeviceId().isEmpty());
    }

    void childCountsControlledProgram()
    {
        DO(m_child->press(u"调整规则"_s));
        // Changing what is controlled is the parent's: the password field has the focus.
        DO(m_child->waitFor(u"需要家长密码"_s));
        m_child->xdotool({ u"type"_s, u"--delay"_s, u"15"_s, childPassword });
        m_child->xdotool({ u"key"_s, u"Return"_s });
        DO(m_child->waitFor(u"选择受管控的应用"_s));
        Node search;
        QTRY_VERIFY_WITH_TIMEOUT(
            (search =
                 [this] {
                     const auto fields = m_atspi->findAll(m_child->application(), [this](const Node& node) {
                         const uint role = m_atspi->role(node);
                         return role == AtspiDriver::textRole || role == AtspiDriver::entryRole;
                     });
                     return fields.isEmpty() ? Node {} : fields.constFirst();
                 }())
                .isValid(),
            uiTimeoutMs);
        DO(m_child->typeInto(search, u"Practice"_s));
        const Node item = m_child->waitFor(controlledName, AtspiDriver::listItemRole);
        DO_CHECK();
        // The tick box sits at the start of the row.
        DO(m_child->click(m_atspi->extents(item), 12));
        QTRY_VERIFY_WITH_TIMEOUT(m_atspi->isChecked(item), 5000);
        screenshot(u"child-selects-program"_s);
        DO(m_child->press(u"完成"_s));
        QTRY_VERIFY_WITH_TIMEOUT(m_child->gone(controlledName), uiTimeoutMs);

        // Enforcement began when the child joined: no restart is needed for the counting.
        // Beside the child's window, not under it.
        m_controlled = g_session->startProgram(
            u"xmessage"_s,
            { u"-name"_s, controlledClass, u"-geometry"_s, u"+560+300"_s, u"Practice, practice, practice"_s },
            m_child->environment());
        QVERIFY(m_controlled > 0);
        const QString window
            = QString::number(X11TestTools::windowNamed(g_session->display(), controlledClass));
        QVERIFY(window != u"0"_s);
        m_child->xdotool({ u"windowactivate"_s, u"--sync"_s, window });

        // The child plays: the program stays in front while the seconds are counted and reported.
        const QString device = childDeviceId();
        QStringList interruptions;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                if (X11TestTools::mapState(g_session->display(), window.toUInt()) != u"IsViewable"_s) {
                    interruptions.append(u"(hidden)"_s);
                    m_child->xdotool({ u"windowmap"_s, window });
                }
                if (m_child->xdotool({ u"getactivewindow"_s }) != window) {
                    interruptions.append(m_child->xdotool({ u"getactivewindow"_s, u"getwindowname"_s }));
                    m_child->xdotool({ u"windowactivate"_s, window });
                }
                return todayUsageSeconds(device) >= 6;
            }(),
            withinOneCycleMs + 9000);
        QVERIFY2(interruptions.isEmpty(),
                 qPrintable(u"the program lost the front to: "_s + interruptions.join(u", "_s)));
        screenshot(u"child-uses-program"_s);
    }

    void parentLockCoversEveryScreen()
    {
        // The child appears on the parent's dashboard.
        DO(refreshDashboardUntil(u"Xiaoming PC"_s));
        DO(m_parent->press(u"规则设置"_s));
        DO(switchLockOnAndSave());

        // Within one cycle: a lock window on each screen (where each sits is the overlay's own X11
        // test), and the program hidden.
        QTRY_COMPARE_WITH_TIMEOUT(m_child->windowsShowing(lockText).size(), QGuiApplication::screens().size(),
                                  withinOneCycleMs);
        QTRY_VERIFY_WITH_TIMEOUT(m_child
                                     ->xdotool({ u"search"_s, u"--onlyvisible"_s, u"--classname"_s,
                                                 u"^%1$"_s.arg(controlledClass) })
                                     .isEmpty(),
                                 5000);
        screenshot(u"child-locked"_s);
    }

    void childRequestReachesParentNotification()
    {
        const auto before = m_notifications->received.size();
        DO(pressOnLockScreen(u"向家长申请解锁"_s));
        // The answer shows on the lock screen itself; no box opens beneath it.
        DO(m_child->waitFor(u"已向家长发出解锁申请"_s));

        QTRY_VERIFY_WITH_TIMEOUT(m_notifications->received.size() > before,
                                 int(watchPeriodSeconds * 1000) + withinOneCycleMs);
        const auto posted = m_notifications->received.constLast();
        QCOMPARE(posted.summary, u"岚哨"_s);
        QCOMPARE(posted.body, u"有孩子申请加时，现在共 1 条。"_s);
    }

    // The length of the granted time as stored is the review screen's test.
    void approvalLiftsLock()
    {
        DO(refreshDashboardUntil(u"有 1 个孩子在申请加时"_s));
        DO(m_parent->press(u"解锁申请"_s));
        DO(m_parent->press(u"同意解锁"_s));
        DO(m_parent->type(u"例如 15"_s, u"20"_s));
        screenshot(u"parent-approves-20-minutes"_s);
        DO(m_parent->press(u"确认并同意解锁"_s));
        DO(m_parent->waitFor(u"当前没有待处理的解锁申请。"_s));
        DO(m_parent->press(u"完成"_s));
        QTRY_VERIFY_WITH_TIMEOUT(m_child->windowsShowing(lockText).isEmpty(), withinOneCycleMs);
        screenshot(u"child-unlocked"_s);
    }

    void passwordLiftsNewLockWithServerGone()
    {
        // A new immediate lock.
        DO(m_parent->press(u"规则设置"_s));
        DO(switchLockOnAndSave());
        QTRY_VERIFY_WITH_TIMEOUT(!m_child->windowsShowing(lockText).isEmpty(), withinOneCycleMs);

        // The server goes away; the parent beside the child types the password (a wrong one is the
        // password sheet's test).
        m_server->stop();
        DO(pressOnLockScreen(u"家长在身边时，输入家长密码立即解锁"_s));
        DO(m_child->type(u"请输入密码"_s, childPassword));
        screenshot(u"child-password-beside"_s);
        DO(m_child->press(u"确认"_s));
        // At once, not at the next cycle: nothing reaches the server now.
        QTRY_VERIFY_WITH_TIMEOUT(m_child->windowsShowing(lockText).isEmpty(), 3000);
        // And it stays lifted through the cycles that cannot reach the server.
        QTest::qWait(int(syncPeriodSeconds * 1000) * 2);
        QVERIFY(m_child->windowsShowing(lockText).isEmpty());
        screenshot(u"child-unlocked-by-password"_s);
    }

private:
    void prepare(ScenarioComputer& computer, const QString& label, const QByteArray& display)
    {
        DO(computer.prepare(label, m_dir.path() + u"/"_s + label, display, m_dir.path() + u"/bin"_s));
        // The settings store the application will open, with the shortened periods.
        SqliteUserDefaults defaults(computer.settingsFile());
        QVERIFY(defaults.isOpen());
        defaults.setDouble(MacRemotePolicySyncService::pollingPeriodKey, syncPeriodSeconds);
        defaults.setDouble(ParentDashboardViewModel::watchPeriodKey, watchPeriodSeconds);
    }

    // Opens the application past the consent and points it, as a family with its own server
    // does, through the more menu's backend address screen.
    void launchOnOwnServer(ScenarioComputer& computer)
    {
        DO(computer.launch(qEnvironmentVariable("VANTOREL_APP_BINARY")));
        DO(computer.press(u"同意并继续"_s));
        DO(computer.press(u"更多"_s));
        DO(computer.press(u"后端服务地址"_s));
        DO(computer.waitFor(u"保存地址"_s, AtspiDriver::pushButtonRole));
        DO(computer.type(u"https://…"_s, m_server->baseUrl()));
        DO(computer.press(u"保存地址"_s));
        QTRY_VERIFY_WITH_TIMEOUT(computer.gone(u"保存地址"_s), uiTimeoutMs);
    }

    // From the home screen to the wizard's password page, as a parent; the password is set there.
    void setParentPassword(ScenarioComputer& computer, const QString& password)
    {
        DO(computer.press(u"身份 / 基础设置"_s));
        DO(computer.press(u"家长"_s));
        DO(computer.press(u"下一步"_s));
        DO(computer.type(u"家长密码"_s, password));
        DO(computer.type(u"再次输入密码"_s, password));
        DO(computer.press(u"设置密码"_s));
        DO(computer.waitForContaining(u"本机已设置家长密码"_s));
    }

    // Switches "立即锁定" on (off first, if a lock is on already) in the open rule editor, and saves.
    void switchLockOnAndSave()
    {
        Node lock;
        QTRY_VERIFY_WITH_TIMEOUT(
            (lock = m_atspi->find(m_parent->application(), u"立即锁定"_s, AtspiDriver::checkBoxRole))
                .isValid(),
            uiTimeoutMs);
        if (m_atspi->isChecked(lock)) {
            QVERIFY(m_atspi->doAction(lock));
            QTRY_VERIFY(!m_atspi->isChecked(lock));
        }
        QVERIFY(m_atspi->doAction(lock));
        QTRY_VERIFY(m_atspi->isChecked(lock));
        screenshot(u"parent-switches-lock-on"_s);
        DO(m_parent->press(u"保存规则"_s));
        QTRY_VERIFY_WITH_TIMEOUT(m_parent->gone(u"保存规则"_s), uiTimeoutMs);
    }

    // Presses a button of whichever of the child's lock windows has it.
    void pressOnLockScreen(const QString& name)
    {
        for (const Node& window : m_child->windowsShowing(lockText)) {
            const Node button = m_atspi->find(window, name, AtspiDriver::pushButtonRole);
            if (button.isValid()) {
                QVERIFY(m_atspi->press(button));
                return;
            }
        }
        QFAIL(qPrintable(u"no lock window offers "_s + name));
    }

    // Presses the dashboard's "刷新" until `text` shows, then waits for the refresh to finish, so
    // that the rows are not rebuilt under the next press.
    void refreshDashboardUntil(const QString& text)
    {
        const auto refresh = [this] {
            return m_atspi->find(m_parent->application(), u"刷新"_s, AtspiDriver::pushButtonRole);
        };
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                const Node button = refresh();
                if (!button.isValid()) {
                    return false; // a refresh is running
                }
                if (m_atspi->find(m_parent->application(), text).isValid()) {
                    return true;
                }
                m_atspi->press(button);
                QTest::qWait(300);
                return false;
            }(),
            uiTimeoutMs);
    }

    void screenshot(const QString& name)
    {
        if (m_recordDir.isEmpty()) {
            return;
        }
        QTest::qWait(300); // let the last change reach the screen
        // The parent's screen on the left, the child's two on the right.
        const QImage parent = DesktopSession::grabDisplay(g_session->secondDisplay());
        const QImage child = DesktopSession::grabScreens();
        QImage image(parent.width() + child.width(), std::max(parent.height(), child.height()),
                     QImage::Format_RGB32);
        image.fill(Qt::black);
        {
            QPainter painter(&image);
            painter.drawImage(0, 0, parent);
            painter.fillRect(parent.width() - 2, 0, 2, image.height(), Qt::white);
            painter.drawImage(parent.width(), 0, child);
        }
        image.save(u"%1/%2-%3.png"_s.arg(m_recordDir).arg(++m_shot, 2, 10, QLatin1Char('0')).arg(name));
    }

    // The family server.
    // The parent's computer secures the family with its token, so the family's records are read
    // straight from the server's database rather than over its API.
    qint64 todayUsageSeconds(const QString& device)
    {
        return m_server
            ->queryValue(
                u"SELECT COALESCE(MAX(today_usage_seconds), 0) FROM usage_days WHERE device_id = ?"_s,
                { device })
            .toLongLong();
    }

    QString childDeviceId()
    {
        return m_server->queryValue(u"SELECT id FROM devices WHERE role = 'child' ORDER BY created_at"_s)
            .toString();
    }

    QTemporaryDir m_dir;
    QString m_recordDir;
    int m_shot = 0;
    bool m_failed = false;
    std::unique_ptr<LoopbackFamilyServer> m_server;
    std::unique_ptr<AtspiDriver> m_atspi;
    std::unique_ptr<FakeNotificationServer> m_notifications;
    std::unique_ptr<ScenarioComputer> m_parent;
    std::unique_ptr<ScenarioComputer> m_child;
    QString m_familyCode;
    qint64 m_controlled = 0;
};

// The desktop (display, buses) must exist before the test's own application connects to it.
int main(int argc, char** argv)
{
    for (const char* tool : { "Xvfb", "openbox", "dbus-daemon", "xdotool", "xmessage" }) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty()) {
            std::printf("SKIP: %s is not installed (scripts/install-deps.sh)\n", tool);
            return qEnvironmentVariableIsSet("CI") ? 1 : 0;
        }
    }
    DesktopSession session;
    if (!session.start()) {
        std::printf("FAIL: %s\n", qPrintable(session.errorString()));
        return 1;
    }
    g_session = &session;
    qputenv("DISPLAY", session.display());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestFamilyScenario test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestFamilyScenario.moc"
