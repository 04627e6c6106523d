#include "Platform/Linux/GnomeShellWorkspace.h"
#include "Services/MacUnlockRequestState.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacLockOverlayWindow.h"
#include "support/GnomeShellSession.h"
#include "support/MemoryUserDefaults.h"
#include "support/RecordingProcessShield.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace Qt::StringLiterals;

// Plays the application's side of the lock: the extension's buttons call back into it.
class LockClient : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.corvane.vantorel.LockClient1")

public:
    QStringList passwords;
    int unlockRequests = 0;

public Q_SLOTS:
    bool TryParentPassword(const QString& password)
    {
        passwords.append(password);
        return password == u"right"_s;
    }
    void RequestUnlock() { ++unlockRequests; }
};

// Stands in for the shell on a bus of its own: records what it is asked to show, and can vanish.
class FakeShield : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.corvane.vantorel.Shield1")

public:
    QMap<QString, QString> shown;
    std::atomic<int> calls = 0;

public Q_SLOTS:
    QString GetFocus(QString& wmClass, uint& pid)
    {
        ++calls;
        wmClass.clear();
        pid = 0;
        return {};
    }
    bool ShowLock(const QMap<QString, QString>& texts)
    {
        ++calls;
        shown = texts;
        return true;
    }
    void HideLock() { shown.clear(); }
};

class TestGnomeShellWorkspace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void lockLayerTakesEveryKeyAndAsksTheApplication();
    void frontmostIsTheFocusedWindowsEntry();
    void hideMinimisesUntilNothingIsLeft();
    void withoutTheExtensionNothingIsSeen();
    void lockScreenIsTheShellsLayer_data();
    void lockScreenIsTheShellsLayer();
    void windowsCoverWhileTheLayerIsGone_data();
    void windowsCoverWhileTheLayerIsGone();

private:
    QDBusMessage shield(const QString& method, const QVariantList& arguments = {});
    // Lines the window printed since the last look.
    QString typedIntoWindow();

    GnomeShellSession m_session;
    QProcess* m_window = nullptr;
};

void TestGnomeShellWorkspace::initTestCase()
{
    if (QString why; !GnomeShellSession::available(&why)) {
        if (qEnvironmentVariableIsSet("CI")) {
            QFAIL(qPrintable(why));
        }
        QSKIP(qPrintable(why));
    }
    qDBusRegisterMetaType<QMap<QString, QString>>();
    QVERIFY2(m_session.start(), qPrintable(m_session.errorString()));
    QVERIFY2(m_session.installDesktopEntries({ { u"org.example.Game.desktop"_s, "Name=Game\nExec=game\n" } }),
             qPrintable(m_session.errorString()));

    // One window for the whole test: headless mutter gives no keyboard to a window started after
    // the focused one went away.
    m_window = m_session.startWindow(u"org.example.Game"_s);
    QVERIFY(m_window);
}

QDBusMessage TestGnomeShellWorkspace::shield(const QString& method, const QVariantList& arguments)
{
    auto message
        = QDBusMessage::createMethodCall(QString::fromLatin1(GnomeShellWorkspace::service),
                                         QString::fromLatin1(GnomeShellWorkspace::objectPath),
                                         QString::fromLatin1(GnomeShellWorkspace::interfaceName), method);
    message.setArguments(arguments);
    return m_session.bus().call(message);
}

QString TestGnomeShellWorkspace::typedIntoWindow()
{
    QTest::qWait(300);
    return QString::fromUtf8(m_window->readAllStandardOutput());
}

void TestGnomeShellWorkspace::frontmostIsTheFocusedWindowsEntry()
{
    GnomeShellWorkspace workspace(m_session.bus());
    QTRY_VERIFY_WITH_TIMEOUT(workspace.frontmostApplication().has_value(), 5000);
    const auto front = *workspace.frontmostApplication();
    QCOMPARE(front.bundleIdentifier, u"org.example.Game"_s);
    QCOMPARE(front.localizedName, u"Game"_s);
    QCOMPARE(front.processIdentifier, m_window->processId());
    QCOMPARE(workspace.enforcementMode(), std::optional(EnforcementMode::gnomeExtension));

    int changes = 0;
    workspace.watchWindows([&changes] { ++changes; });
    auto* other = m_session.startWindow(u"org.example.Other"_s);
    QVERIFY(other);
    QTRY_VERIFY_WITH_TIMEOUT(changes > 0, 5000);
    const auto running = workspace.runningApplications();
    QVERIFY(std::any_of(running.cbegin(), running.cend(),
                        [other](const auto& app) { return app.processIdentifier == other->processId(); }));
}

void TestGnomeShellWorkspace::hideMinimisesUntilNothingIsLeft()
{
    GnomeShellWorkspace workspace(m_session.bus());
    RunningApplication game;
    game.processIdentifier = m_window->processId();
    QVERIFY(workspace.hide(game));
    QTRY_VERIFY_WITH_TIMEOUT(!workspace.hide(game), 3000);

    RunningApplication ourselves;
    ourselves.processIdentifier = QCoreApplication::applicationPid();
    QVERIFY(!workspace.hide(ourselves));
}

void TestGnomeShellWorkspace::lockLayerTakesEveryKeyAndAsksTheApplication()
{
    // The game has the focus: it is what the keys would reach without the lock.
    GnomeShellWorkspace workspace(m_session.bus());
    const auto gameInFront = [&] {
        const auto front = workspace.frontmostApplication();
        return front && front->processIdentifier == m_window->processId();
    };
    QTRY_VERIFY_WITH_TIMEOUT(m_session.input({ u"click"_s }) && gameInFront(), 15000);

    LockClient client;
    auto bus = m_session.bus();
    QVERIFY(
        bus.registerObject(u"/com/corvane/vantorel/LockClient"_s, &client, QDBusConnection::ExportAllSlots));
    const QMap<QString, QString> texts { { u"title"_s, u"岚哨"_s },
                                         { u"reason"_s, u"今日使用时间已用完"_s },
                                         { u"requestButton"_s, u"向家长申请解锁"_s },
                                         { u"passwordButton"_s, u"家长在身边时，输入家长密码立即解锁"_s },
                                         { u"passwordWrong"_s, u"家长密码不正确"_s } };
    const auto shown = shield(u"ShowLock"_s, { QVariant::fromValue(texts) });
    QCOMPARE(shown.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(shown.arguments().value(0).toBool(), true);
    QVERIFY2(!workspace.frontmostApplication(), "an application counts as in use under the lock");

    QVERIFY(m_session.input({ u"wrong"_s, u"return"_s }));
    QTRY_COMPARE_WITH_TIMEOUT(client.passwords, QStringList { u"wrong"_s }, 5000);
    QVERIFY2(!typedIntoWindow().contains(u"typed"_s), "a key reached the window under the lock");

    QVERIFY(shield(u"HideLock"_s).type() == QDBusMessage::ReplyMessage);
    QTRY_VERIFY_WITH_TIMEOUT(gameInFront(), 5000);
    bus.unregisterObject(u"/com/corvane/vantorel/LockClient"_s);
}

void TestGnomeShellWorkspace::withoutTheExtensionNothingIsSeen()
{
    // The system bus of the session has no shell on it.
    const auto address = m_session.environment().value(u"DBUS_SYSTEM_BUS_ADDRESS"_s);
    GnomeShellWorkspace workspace(QDBusConnection::connectToBus(address, u"no-shell"_s));
    QVERIFY(!workspace.extensionAvailable());
    QVERIFY(!workspace.frontmostApplication());
    QVERIFY(workspace.runningApplications().isEmpty());
    QVERIFY(!workspace.enforcementLimitation().isEmpty());
    QCOMPARE(workspace.enforcementMode(), std::optional(EnforcementMode::processOnly));
    QVERIFY(workspace.desktopExtensionMissing());
}

void TestGnomeShellWorkspace::lockScreenIsTheShellsLayer_data()
{
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<int>("requests");
    QTest::newRow("wrong password") << QStringList { u"2222"_s, u"return"_s } << true << 0;
    QTest::newRow("parent password") << QStringList { u"2468"_s, u"return"_s } << false << 0;
    QTest::newRow("ask the parent") << QStringList { u"back-tab"_s, u"return"_s } << true << 1;
}

void TestGnomeShellWorkspace::lockScreenIsTheShellsLayer()
{
    QFETCH(QStringList, typed);
    QFETCH(bool, locked);
    QFETCH(int, requests);
    MemoryUserDefaults defaults;
    GnomeShellWorkspace workspace(m_session.bus());
    RecordingProcessShield processes;
    MacLockOverlayController lock(workspace, processes,
                                  [] { return QList<MacLockOverlayController::Screen>(); });
    int asked = 0;
    lock.coordinator().onUnlockRequest = [&asked] { ++asked; };
    // Checking the password is the home screen's; here it only has to reach the application.
    lock.coordinator().onParentPassword = [&lock](const QString& password) {
        if (password == u"2468"_s) {
            lock.hide();
            return QString();
        }
        return u"密码错误，请重试"_s;
    };
    const auto layerShown = [this] {
        const auto reply = m_session.bus().call(
            QDBusMessage::createMethodCall(QString::fromLatin1(GnomeShellWorkspace::service),
                                           QString::fromLatin1(GnomeShellWorkspace::objectPath),
                                           u"org.freedesktop.DBus.Properties"_s, u"Get"_s)
            << QString::fromLatin1(GnomeShellWorkspace::interfaceName) << u"LockShown"_s);
        return reply.arguments().value(0).value<QDBusVariant>().variant().toBool();
    };

    lock.show(MacPolicyExecutor::LockReason::forceLocked, ScreenTimePolicy());
    QVERIFY(lock.showsShellLayer());
    QVERIFY(layerShown());

    QVERIFY(m_session.input(typed));
    QTRY_COMPARE_WITH_TIMEOUT(asked, requests, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(layerShown(), locked, 5000);
    QCOMPARE(lock.isShowing(), locked);
    lock.hide();
    QVERIFY(!layerShown());
}

void TestGnomeShellWorkspace::windowsCoverWhileTheLayerIsGone_data()
{
    QTest::addColumn<bool>("shellLeaves");
    QTest::newRow("extension drops the layer") << false;
    QTest::newRow("shell leaves the bus") << true;
}

void TestGnomeShellWorkspace::windowsCoverWhileTheLayerIsGone()
{
    QFETCH(bool, shellLeaves);
    // The shell answers on a thread of its own, as a process of its own would while ours waits.
    QThread thread;
    thread.start();
    const auto address = m_session.environment().value(u"DBUS_SYSTEM_BUS_ADDRESS"_s);
    auto shell = QDBusConnection::connectToBus(address, u"fake-shell"_s);
    FakeShield shield;
    shield.moveToThread(&thread);
    const auto stop = qScopeGuard([&thread] {
        thread.quit();
        thread.wait();
    });
    QVERIFY(shell.registerObject(QString::fromLatin1(GnomeShellWorkspace::objectPath), &shield,
                                 QDBusConnection::ExportAllSlots));
    QVERIFY(shell.registerService(QString::fromLatin1(GnomeShellWorkspace::service)));
    MemoryUserDefaults defaults;
    MacUnlockRequestState requests;
    GnomeShellWorkspace workspace(QDBusConnection::connectToBus(address, u"application"_s));
    RecordingProcessShield processes;
    MacLockOverlayController lock(workspace, processes, MacLockOverlayController::platformScreens, &requests);
    // The sampler's one question says whether the extension is there; the fake has no Version.
    QVERIFY(!workspace.frontmostApplication());
    QCOMPARE(workspace.enforcementMode(), std::optional(EnforcementMode::gnomeExtension));

    ScreenTimePolicy policy;
    policy.dailyLimitMinutes = 90;
    lock.show(MacPolicyExecutor::LockReason::dailyLimit, policy);
    const QMap<QString, QString> lockScreen {
        { u"title"_s, u"岚哨"_s },
        { u"reason"_s, u"今日使用已达上限（90 分钟）"_s },
        { u"pending"_s, QString() },
        { u"requestButton"_s, u"向家长申请解锁"_s },
        { u"passwordButton"_s, u"家长在身边时，输入家长密码立即解锁"_s },
        { u"passwordPlaceholder"_s, u"请输入密码"_s },
        { u"passwordWrong"_s, u"密码错误，请重试"_s },
    };
    QCOMPARE(shield.shown, lockScreen);
    // Nothing can come to front under the layer: the tick leaves the controlled game alone.
    lock.setShieldTargets({ .bundleIds = { u"org.example.Game"_s } });
    lock.enforceShield();
    QCOMPARE(shield.calls, 2);
    requests.markSent();
    QCOMPARE(shield.shown.value(u"pending"_s), u"解锁申请已发出，正在等待家长处理"_s);
    QCOMPARE(shield.calls, 3);
    QVERIFY(lock.overlayWindows().isEmpty());

    // The extension switched off, or the shell restarted: the lock must not wait for a tick.
    const auto service = QString::fromLatin1(GnomeShellWorkspace::service);
    QVERIFY(shellLeaves ? shell.unregisterService(service)
                        : shell.send(QDBusMessage::createSignal(
                                         QString::fromLatin1(GnomeShellWorkspace::objectPath),
                                         u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s)
                                     << QString::fromLatin1(GnomeShellWorkspace::interfaceName)
                                     << QVariantMap { { u"LockShown"_s, false } } << QStringList()));
    QTRY_VERIFY_WITH_TIMEOUT(!lock.overlayWindows().isEmpty(), 500);
    QVERIFY(!lock.showsShellLayer());
    QVERIFY(lock.overlayWindows().first()->isVisible());
    QVERIFY(!shellLeaves || shell.registerService(service));
    QTRY_VERIFY_WITH_TIMEOUT(lock.showsShellLayer(), 3000);
    QVERIFY(!lock.overlayWindows().first()->isVisible());
    lock.hide();
    shell.unregisterObject(QString::fromLatin1(GnomeShellWorkspace::objectPath));
}

int main(int argc, char** argv)
{
    // Lock windows, where the layer fails, need a screen; the shell under test has none to lend.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TestGnomeShellWorkspace test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestGnomeShellWorkspace.moc"
