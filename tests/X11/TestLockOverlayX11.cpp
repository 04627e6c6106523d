#include "Platform/Linux/X11Workspace.h"
#include "Platform/PlatformDefaults.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacLockOverlayWindow.h"
#include "support/MemoryUserDefaults.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QScreen>
#include <QTest>

using namespace Qt::StringLiterals;
using MacPolicyExecutor::LockReason;

// The lock overlay on a real X server with openbox: it keeps controlled applications hidden and
// stays above a full-screen window that the window manager activates, holding the keyboard.
class TestLockOverlayX11 : public QObject
{
    Q_OBJECT

    MemoryUserDefaults m_defaults;
    QByteArray m_display;

private slots:
    void initTestCase()
    {
        m_display = qgetenv("DISPLAY");
        if (m_display.isEmpty() || QGuiApplication::platformName() != u"xcb"_s) {
            QSKIP("needs an X display (run through scripts/test.sh)");
        }
    }

    void shieldHidesControlledApplicationWithinASecond()
    {
        QProcess client;
        client.start(u"xmessage"_s, { u"-name"_s, u"shielded"_s, u"controlled"_s });
        QVERIFY(client.waitForStarted());
        const auto window = X11TestTools::windowNamed(m_display, u"shielded"_s);
        QVERIFY(window != 0);
        QCOMPARE(X11TestTools::mapState(m_display, window), u"IsViewable"_s);

        X11Workspace workspace(m_display);
        MacLockOverlayController controller(workspace, PlatformDefaults::processShield());
        controller.apply({ true, LockReason::dailyLimit }, {},
                         { {}, {}, { QFileInfo(u"/usr/bin/xmessage"_s).canonicalFilePath() }, u"mac"_s });
        QVERIFY(controller.isAppBlocking());
        QTRY_COMPARE_WITH_TIMEOUT(X11TestTools::mapState(m_display, window), u"IsUnMapped"_s, 1500);
        controller.hide();
        client.kill();
        client.waitForFinished();
    }

    void fullScreenWindowStaysBelowAndGetsNoKeys()
    {
        QProcess probe;
        probe.start(QCoreApplication::applicationDirPath() + u"/vantorel_keyprobe"_s,
                    { u"-name"_s, u"keyprobe"_s });
        QVERIFY(probe.waitForStarted());
        const auto probeWindow = X11TestTools::windowNamed(m_display, u"keyprobe"_s);
        QVERIFY(probeWindow != 0);
        X11TestTools::run(m_display, u"xdotool"_s,
                          { u"windowactivate"_s, u"--sync"_s, QString::number(probeWindow) });
        // Without the lock the probe does get typed keys: the check below is not vacuous.
        QByteArray received;
        QTRY_VERIFY_WITH_TIMEOUT((received += probe.readAllStandardOutput()).contains("ready"), 5000);
        X11TestTools::run(m_display, u"xdotool"_s, { u"type"_s, u"a"_s });
        QTRY_VERIFY_WITH_TIMEOUT((received += probe.readAllStandardOutput()).contains("key a"), 3000);

        X11Workspace workspace(m_display);
        MacLockOverlayController controller(workspace, PlatformDefaults::processShield());
        controller.show(LockReason::forceLocked, {});
        const auto windows = controller.overlayWindows();
        QCOMPARE(windows.size(), QGuiApplication::screens().size());
        QCOMPARE(windows.first()->geometry(), QGuiApplication::primaryScreen()->geometry());
        QTRY_VERIFY_WITH_TIMEOUT(controller.holdsInputGrab(), 3000);
        const auto overlay = quint32(windows.first()->winId());
        QTRY_COMPARE_WITH_TIMEOUT(X11TestTools::mapState(m_display, overlay), u"IsViewable"_s, 2000);

        // The child brings the full-screen window forward; within a shield tick the lock is on
        // top again.
        X11TestTools::run(m_display, u"xdotool"_s, { u"windowactivate"_s, QString::number(probeWindow) });
        QTest::qWait(1500);
        QVERIFY2(X11TestTools::stackingIndex(m_display, overlay)
                     > X11TestTools::stackingIndex(m_display, probeWindow),
                 qPrintable(u"%1 vs %2"_s.arg(X11TestTools::stackingIndex(m_display, overlay))
                                .arg(X11TestTools::stackingIndex(m_display, probeWindow))));
        X11TestTools::run(m_display, u"xdotool"_s, { u"type"_s, u"zz"_s });
        QTest::qWait(800);
        QVERIFY(!probe.readAllStandardOutput().contains("key z"));

        controller.hide();
        QTRY_COMPARE_WITH_TIMEOUT(X11TestTools::mapState(m_display, overlay), u"IsUnMapped"_s, 2000);
        probe.kill();
        probe.waitForFinished();
    }
};

QTEST_MAIN(TestLockOverlayX11)
#include "TestLockOverlayX11.moc"
