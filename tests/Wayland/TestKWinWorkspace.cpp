#include "Platform/Linux/KWinWorkspace.h"
#include "support/KWinSession.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QRasterWindow>
#include <QTest>

using namespace Qt::StringLiterals;

class TestKWinWorkspace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void frontmostIsTheActiveWindowsEntryUntilHidden_data();
    void frontmostIsTheActiveWindowsEntryUntilHidden();
    void reportsFromOtherProgramsAreIgnored();
    void lockWindowsStayAboveAndFullScreen_data();
    void lockWindowsStayAboveAndFullScreen();
    // Last: it ends the session.
    void aKWinThatQuitsLeavesNothingShown();

private:
    KWinSession m_session;
};

void TestKWinWorkspace::initTestCase()
{
    if (QString why; !KWinSession::available(&why)) {
        if (qEnvironmentVariableIsSet("CI")) {
            QFAIL(qPrintable(why));
        }
        QSKIP(qPrintable(why));
    }
    QVERIFY2(m_session.start(), qPrintable(m_session.errorString()));
    QVERIFY2(m_session.installDesktopEntries(
                 { { u"game.desktop"_s, "Name=Game\nExec=game\nStartupWMClass=org.example.Game\n" },
                   { u"org.example.Chess.desktop"_s, "Name=Chess\nExec=chess\n" } }),
             qPrintable(m_session.errorString()));
}

void TestKWinWorkspace::frontmostIsTheActiveWindowsEntryUntilHidden_data()
{
    QTest::addColumn<QString>("appId");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("name");
    QTest::newRow("matched by window class") << u"org.example.Game"_s << u"game"_s << u"Game"_s;
    QTest::newRow("the desktop file's own name")
        << u"org.example.Chess"_s << u"org.example.Chess"_s << u"Chess"_s;
}

void TestKWinWorkspace::frontmostIsTheActiveWindowsEntryUntilHidden()
{
    QFETCH(QString, appId);
    QFETCH(QString, entry);
    QFETCH(QString, name);
    KWinWorkspace workspace(m_session.bus());
    QCOMPARE(workspace.enforcementMode(), std::optional(EnforcementMode::kwin));
    int changes = 0;
    workspace.watchWindows([&changes] { ++changes; });

    auto* window = m_session.startWindow(appId);
    QVERIFY(window);
    QTRY_VERIFY_WITH_TIMEOUT(workspace.frontmostApplication().has_value(), 10000);
    QVERIFY(changes > 0);
    const auto front = *workspace.frontmostApplication();
    QCOMPARE(front.bundleIdentifier, entry);
    QCOMPARE(front.localizedName, name);
    QCOMPARE(front.processIdentifier, window->processId());
    QCOMPARE(workspace.runningApplications(), QList { front });

    QVERIFY(workspace.hide(front));
    QTRY_VERIFY_WITH_TIMEOUT(!workspace.frontmostApplication(), 5000);
    QVERIFY2(!workspace.hide(front), "nothing is left to hide");
    QCOMPARE(workspace.runningApplications(), QList { front });

    RunningApplication ourselves;
    ourselves.processIdentifier = QCoreApplication::applicationPid();
    QVERIFY(!workspace.hide(ourselves));

    window->terminate();
    QVERIFY(window->waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(workspace.runningApplications().isEmpty(), 5000);
}

void TestKWinWorkspace::reportsFromOtherProgramsAreIgnored()
{
    KWinWorkspace workspace(m_session.bus());
    QTRY_VERIFY_WITH_TIMEOUT(workspace.frontmostApplication() == std::nullopt, 5000);
    // Any program of the session can call the report object; a child's would claim an allowed
    // application is in front.
    auto intruder = QDBusConnection::connectToBus(m_session.busAddress(), u"intruder"_s);
    auto message = QDBusMessage::createMethodCall(m_session.bus().baseService(),
                                                  QString::fromLatin1(KWinWorkspace::reportPath),
                                                  u"com.corvane.vantorel.KWinReport1"_s, u"Windows"_s);
    message << uR"([{"pid": 1, "resourceClass": "org.example.Game", "active": true}])"_s;
    // Answered by this process's own event loop.
    const auto reply = intruder.asyncCall(message);
    QTRY_VERIFY_WITH_TIMEOUT(reply.isFinished(), 5000);
    QVERIFY2(!reply.isError(), qPrintable(reply.error().message()));
    QVERIFY(!workspace.frontmostApplication());
    QDBusConnection::disconnectFromBus(u"intruder"_s);
}

void TestKWinWorkspace::lockWindowsStayAboveAndFullScreen_data()
{
    QTest::addColumn<bool>("childFirst");
    QTest::addColumn<QStringList>("childOptions");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("a window") << false << QStringList() << QString();
    QTest::newRow("a full-screen window") << false << QStringList { u"fullscreen"_s } << QString();
    // KWin then numbers the lock's title: "Locked <2>".
    QTest::newRow("a window there before") << true << QStringList() << QString();
    QTest::newRow("a window, with the lock's own dialog") << false << QStringList() << u"Password"_s;
}

void TestKWinWorkspace::lockWindowsStayAboveAndFullScreen()
{
    QFETCH(bool, childFirst);
    QFETCH(QStringList, childOptions);
    QFETCH(QString, dialog);
    // The child's window carries the lock's title and is activated when it appears.
    const auto title = u"Locked"_s;
    QProcess* child = childFirst ? m_session.startWindow(title, childOptions) : nullptr;
    // Another process holds the lock, so that its pid is not this one's. It starts first, as both
    // load the window script under one name and the last one hears the reports.
    auto* lock = m_session.startClient(QCoreApplication::applicationFilePath(),
                                       QStringList { u"--hold-lock"_s, title } + QStringList(dialog));
    QVERIFY(lock && lock->waitForReadyRead(10000));
    KWinWorkspace workspace(m_session.bus());
    const auto windowOf
        = [&workspace](QProcess* process, const QString& caption) -> std::optional<KWinWorkspace::Window> {
        for (const auto& window : workspace.windows()) {
            if (process && window.pid == process->processId() && window.caption.startsWith(caption)) {
                return window;
            }
        }
        return std::nullopt;
    };
    const auto held = [&] {
        const auto window = windowOf(lock, title);
        const auto front = dialog.isEmpty() ? window : windowOf(lock, dialog);
        return window && window->keepAbove && window->fullScreen && window->geometry == QRect(0, 0, 1280, 800)
            && front && front->active && front->keepAbove;
    };
    QTRY_VERIFY_WITH_TIMEOUT(held(), 10000);

    if (!child) {
        child = m_session.startWindow(title, childOptions);
    }
    QVERIFY(child);
    QTRY_VERIFY_WITH_TIMEOUT(
        windowOf(child, title) && windowOf(child, title)->fullScreen == !childOptions.isEmpty(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(held(), 5000);
    // KWin stacks a window kept above over every other one but an active full-screen window.
    QVERIFY(!windowOf(child, title)->keepAbove);

    for (auto* process : { child, lock }) {
        process->terminate();
        QVERIFY(process->waitForFinished(5000));
    }
}

void TestKWinWorkspace::aKWinThatQuitsLeavesNothingShown()
{
    KWinWorkspace workspace(m_session.bus());
    QVERIFY(m_session.startWindow(u"org.example.Game"_s));
    QTRY_VERIFY_WITH_TIMEOUT(workspace.frontmostApplication().has_value(), 10000);

    m_session.stop();
    QTRY_VERIFY_WITH_TIMEOUT(!workspace.frontmostApplication(), 5000);
    QCOMPARE(workspace.enforcementMode(), std::optional(EnforcementMode::processOnly));
}

// A lock window of its own process, held through the workspace until the process is ended, and a
// modal dialog over it when a title is given for one.
int holdLockWindow(int argc, char** argv)
{
    QGuiApplication application(argc, argv);
    KWinWorkspace workspace;
    QRasterWindow window;
    QRasterWindow dialog;
    // As the lock windows ask on X11, which a Wayland window manager does not hear.
    window.setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                    | Qt::X11BypassWindowManagerHint);
    window.setTitle(QString::fromLocal8Bit(argv[2]));
    window.show();
    workspace.holdLockWindows({ quintptr(window.winId()) });
    if (argc == 4) {
        dialog.setTitle(QString::fromLocal8Bit(argv[3]));
        dialog.setModality(Qt::ApplicationModal);
        dialog.show();
    }
    std::puts("held");
    std::fflush(stdout);
    return QGuiApplication::exec();
}

int main(int argc, char** argv)
{
    if (argc >= 3 && qstrcmp(argv[1], "--hold-lock") == 0) {
        return holdLockWindow(argc, argv);
    }
    // The windows under test are the compositor's, not Qt's.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    TestKWinWorkspace test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestKWinWorkspace.moc"
