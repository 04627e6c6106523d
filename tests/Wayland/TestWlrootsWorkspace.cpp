#include "Platform/Linux/WlrootsLockLayer.h"
#include "Platform/Linux/WlrootsWorkspace.h"
#include "support/SwaySession.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

class TestWlrootsWorkspace : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void frontmostIsTheFocusedWindowsEntry_data();
    void frontmostIsTheFocusedWindowsEntry();
    void hideMovesTheWindowsOffTheWorkspace();
    void lockLayerTakesEveryKey();
    void withoutTheCompositorNothingIsSeen();
    // Last: it ends the session.
    void aCompositorThatQuitsLeavesNothingShown();

private:
    SwaySession m_session;
};

void TestWlrootsWorkspace::initTestCase()
{
    if (QString why; !SwaySession::available(&why)) {
        if (qEnvironmentVariableIsSet("CI")) {
            QFAIL(qPrintable(why));
        }
        QSKIP(qPrintable(why));
    }
    QVERIFY2(m_session.start(), qPrintable(m_session.errorString()));
    // The window's app id differs from the entry's name: it is matched as a window class.
    QVERIFY2(m_session.installDesktopEntries(
                 { { u"game.desktop"_s, "Name=Game\nExec=game\nStartupWMClass=org.example.Game\n" } }),
             qPrintable(m_session.errorString()));
}

void TestWlrootsWorkspace::frontmostIsTheFocusedWindowsEntry_data()
{
    QTest::addColumn<bool>("withIpc");
    QTest::newRow("Sway's tree") << true;
    // Other wlroots compositors: the toplevel list alone, which names no process.
    QTest::newRow("toplevel list") << false;
}

void TestWlrootsWorkspace::frontmostIsTheFocusedWindowsEntry()
{
    QFETCH(bool, withIpc);
    WlrootsWorkspace workspace(m_session.display(), withIpc ? m_session.ipcSocket() : QString());
    QVERIFY(workspace.toplevelsAvailable());
    int changes = 0;
    workspace.watchWindows([&changes] { ++changes; });

    auto* window = m_session.startWindow(u"org.example.Game"_s);
    QVERIFY(window);
    QTRY_VERIFY_WITH_TIMEOUT(changes > 0, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(workspace.frontmostApplication().has_value(), 5000);
    const auto front = *workspace.frontmostApplication();
    QCOMPARE(front.bundleIdentifier, u"game"_s);
    QCOMPARE(front.localizedName, u"Game"_s);
    QCOMPARE(front.processIdentifier, withIpc ? window->processId() : 0);
    QVERIFY(workspace.runningApplications().contains(front));

    window->terminate();
    QVERIFY(window->waitForFinished(5000));
    QTRY_VERIFY_WITH_TIMEOUT(workspace.runningApplications().isEmpty(), 5000);
    QVERIFY(!workspace.frontmostApplication());
}

void TestWlrootsWorkspace::hideMovesTheWindowsOffTheWorkspace()
{
    WlrootsWorkspace workspace(m_session.display(), m_session.ipcSocket());
    auto* window = m_session.startWindow(u"org.example.Game"_s);
    QVERIFY(window);
    QTRY_VERIFY_WITH_TIMEOUT(m_session.shows(window->processId()), 5000);
    const auto running = workspace.runningApplications();
    QCOMPARE(running.size(), 1);

    QVERIFY(workspace.hide(running.first()));
    QTRY_VERIFY_WITH_TIMEOUT(!m_session.shows(window->processId()), 5000);
    QVERIFY2(!workspace.hide(running.first()), "nothing is left to hide");
    QVERIFY(!workspace.frontmostApplication());
    QCOMPARE(workspace.runningApplications(), running);

    RunningApplication ourselves;
    ourselves.processIdentifier = QCoreApplication::applicationPid();
    QVERIFY(!workspace.hide(ourselves));
}

void TestWlrootsWorkspace::lockLayerTakesEveryKey()
{
    auto* window = m_session.startWindow(u"org.example.Game"_s);
    QVERIFY(window);
    const auto typedIntoWindow = [window] {
        QTest::qWait(300);
        return window->readAllStandardOutput().contains("typed");
    };
    const auto reachesWindow = [&] { return m_session.type({ u"x"_s }) && typedIntoWindow(); };
    QVERIFY(QTest::qWaitFor(reachesWindow, 10000));
    // The child may bind any command to a key in Sway's configuration.
    const auto bound = u"/tmp/vantorel-sway-binding-%1"_s.arg(QCoreApplication::applicationPid());
    QVERIFY(m_session.command(u"bindsym F5 exec touch "_s + bound));

    // Through the seam the lock overlay uses, as the application shows it.
    WlrootsWorkspace workspace(m_session.display(), m_session.ipcSocket());
    ShellLockLayer* lock = workspace.lockLayer();
    QVERIFY(lock);
    QStringList entered;
    int requests = 0;
    lock->setClient(
        { .tryParentPassword = [&](const QString& password) { return entered.append(password), false; },
          .requestUnlock = [&] { ++requests; } });
    QVERIFY(lock->showLock(
        { { u"reason"_s, u"今日使用时间已用完"_s }, { u"requestButton"_s, u"向家长申请解锁"_s } }));
    QTRY_VERIFY_WITH_TIMEOUT(lock->holdsInput(), 5000);
    for (const auto& ipc : { m_session.ipcSocket(), QString() }) {
        QVERIFY2(!WlrootsWorkspace(m_session.display(), ipc).frontmostApplication(),
                 "an application counts as in use under the lock");
    }
    QVERIFY(m_session.type({ u"wrong"_s, u"-k"_s, u"Return"_s, u"-k"_s, u"F1"_s, u"-k"_s, u"F5"_s }));
    QTRY_COMPARE_WITH_TIMEOUT(requests, 1, 5000);
    QCOMPARE(entered, QStringList { u"wrong"_s });
    QVERIFY2(!typedIntoWindow(), "a key reached the window under the lock");
    QVERIFY2(!QFile::remove(bound), "a key binding of Sway ran under the lock");

    lock->hideLock();
    QVERIFY(QTest::qWaitFor(reachesWindow, 10000));
}

void TestWlrootsWorkspace::withoutTheCompositorNothingIsSeen()
{
    WlrootsWorkspace workspace(QDir::tempPath() + u"/no-such-wayland-display"_s, QString());
    QVERIFY(!workspace.toplevelsAvailable());
    QVERIFY(!workspace.frontmostApplication());
    QVERIFY(workspace.runningApplications().isEmpty());
    QVERIFY(workspace.enforcementLimitation().contains(u"stopped by process only"_s));
}

void TestWlrootsWorkspace::aCompositorThatQuitsLeavesNothingShown()
{
    WlrootsWorkspace workspace(m_session.display(), m_session.ipcSocket());
    WlrootsLockLayer lock(m_session.display());
    bool lost = false;
    lock.watchLoss([&lost] { lost = true; });
    QVERIFY(lock.show({ u"今日使用时间已用完"_s }));
    QTRY_VERIFY_WITH_TIMEOUT(lock.covering(), 5000);

    m_session.stop();
    QTRY_VERIFY_WITH_TIMEOUT(!workspace.toplevelsAvailable(), 5000);
    QVERIFY(!lock.covering());
    QTRY_VERIFY2(lost, "the lock overlay is not told to cover with its own windows");
    QVERIFY(!lock.show({ u"今日使用时间已用完"_s }));
}

int main(int argc, char** argv)
{
    // The lock paints with Qt's fonts; the windows under test are the compositor's, not Qt's.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    TestWlrootsWorkspace test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestWlrootsWorkspace.moc"
