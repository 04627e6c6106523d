#include "Platform/Linux/X11Workspace.h"
#include "Platform/PlatformDefaults.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacLockOverlayWindow.h"
#include "support/MemoryUserDefaults.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;
using MacPolicyExecutor::LockReason;

// What a child with a terminal tries against the lock on a real X server with openbox, and what
// the lock does about it.
class TestLockAttacksX11 : public QObject
{
    Q_OBJECT

    MemoryUserDefaults m_defaults;
    QByteArray m_display;

    QString probePath() const { return QCoreApplication::applicationDirPath() + u"/vantorel_keyprobe"_s; }

    bool lockIsUp(const MacLockOverlayController& controller) const
    {
        const auto windows = controller.overlayWindows();
        return !windows.isEmpty()
            && X11TestTools::mapState(m_display, quint32(windows.first()->winId())) == u"IsViewable"_s
            && controller.holdsInputGrab() && X11TestTools::keyboardTaken(m_display);
    }

private slots:
    void initTestCase()
    {
        m_display = qgetenv("DISPLAY");
        if (m_display.isEmpty() || QGuiApplication::platformName() != u"xcb"_s) {
            QSKIP("needs an X display (run through scripts/test.sh)");
        }
    }

    void lockWindowHeals_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("unmapped") << u"windowunmap"_s;
        QTest::newRow("closed") << u"windowclose"_s;
    }

    // Within a second the lock is back on screen with the keyboard held, and it still comes back
    // when the parent switches it off and on again.
    void lockWindowHeals()
    {
        QFETCH(QString, command);
        X11Workspace workspace(m_display);
        MacLockOverlayController controller(workspace, PlatformDefaults::processShield());
        controller.show(LockReason::forceLocked, {});
        QTRY_VERIFY_WITH_TIMEOUT(lockIsUp(controller), 3000);

        const auto attacked = quint32(controller.overlayWindows().first()->winId());
        X11TestTools::run(m_display, u"xdotool"_s, { command, QString::number(attacked) });
        QTRY_VERIFY_WITH_TIMEOUT(
            X11TestTools::mapState(m_display, attacked) != u"IsViewable"_s || !lockIsUp(controller), 500);
        QTRY_VERIFY_WITH_TIMEOUT(lockIsUp(controller), 1000);

        controller.hide();
        QTRY_VERIFY_WITH_TIMEOUT(!X11TestTools::keyboardTaken(m_display), 2000);
        controller.show(LockReason::forceLocked, {});
        QTRY_VERIFY_WITH_TIMEOUT(lockIsUp(controller), 1000);
        controller.hide();
    }

    void controlledApplicationIsStopped_data()
    {
        QTest::addColumn<QStringList>("program");
        QTest::addColumn<bool>("fullLock");
        QTest::addColumn<bool>("reactivated");
        QTest::addColumn<bool>("countedFirst");
        const auto probe = probePath();
        QTest::newRow("re-activated every 0.1 s")
            << QStringList { u"xmessage"_s, u"-name"_s, u"game"_s, u"game"_s } << false << true << false;
        QTest::newRow("override-redirect game")
            << QStringList { probe, u"-name"_s, u"game"_s, u"--override"_s } << false << false << true;
        QTest::newRow("grabs keyboard and pointer before the lock")
            << QStringList { probe, u"-name"_s, u"game"_s, u"--override"_s, u"--grab"_s } << true << false
            << false;
    }

    void controlledApplicationIsStopped()
    {
        QFETCH(QStringList, program);
        QFETCH(bool, fullLock);
        QFETCH(bool, reactivated);
        QFETCH(bool, countedFirst);
        const auto executable
            = QFileInfo(program.first().startsWith(u'/') ? program.first() : u"/usr/bin/"_s + program.first())
                  .canonicalFilePath();
        QProcess game;
        game.start(program.takeFirst(), program);
        QVERIFY(game.waitForStarted());
        const auto window = X11TestTools::windowNamed(m_display, u"game"_s);
        QVERIFY(window != 0);
        if (fullLock) {
            QByteArray out;
            QTRY_VERIFY_WITH_TIMEOUT((out += game.readAllStandardOutput()).contains("grabbed"), 5000);
        }
        X11Workspace workspace(m_display);
        if (countedFirst) {
            QTRY_COMPARE_WITH_TIMEOUT(
                workspace.frontmostApplication().value_or(RunningApplication {}).processIdentifier,
                game.processId(), 2000);
        }
        QProcess loop;
        if (reactivated) {
            loop.start(u"sh"_s,
                       { u"-c"_s, u"while :; do xdotool windowactivate %1; sleep 0.1; done"_s.arg(window) });
            QVERIFY(loop.waitForStarted());
        }

        MacLockOverlayController controller(workspace, PlatformDefaults::processShield());
        // The grabbing window is no controlled application: it is stopped for what it does.
        controller.apply({ true, fullLock ? LockReason::forceLocked : LockReason::dailyLimit }, {},
                         fullLock ? MacSelectionPayload {}
                                  : MacSelectionPayload { {}, {}, { executable }, u"mac"_s });
        if (reactivated) {
            // Sampled over five seconds the game is on screen well under a tenth of the time.
            int visible = 0;
            int samples = 0;
            QElapsedTimer elapsed;
            elapsed.start();
            while (elapsed.elapsed() < 5000) {
                visible += X11TestTools::mapState(m_display, window) == u"IsViewable"_s ? 1 : 0;
                ++samples;
                QTest::qWait(50);
            }
            loop.kill();
            loop.waitForFinished();
            QVERIFY2(visible * 10 < samples, qPrintable(u"%1 of %2"_s.arg(visible).arg(samples)));
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(game.state(), QProcess::NotRunning, 3500);
        }
        if (fullLock) {
            QTRY_VERIFY_WITH_TIMEOUT(lockIsUp(controller), 1000);
        }
        controller.hide();
        game.kill();
        game.waitForFinished();
    }
};

QTEST_MAIN(TestLockAttacksX11)
#include "TestLockAttacksX11.moc"
