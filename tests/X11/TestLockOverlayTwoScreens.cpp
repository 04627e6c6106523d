#include "Platform/Linux/X11Workspace.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacLockOverlayWindow.h"
#include "support/MemoryUserDefaults.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QScreen>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using MacPolicyExecutor::LockReason;

// The overlay on a display with two screens side by side: one lock window each, covering it.
class TestLockOverlayTwoScreens : public QObject
{
    Q_OBJECT

    MemoryUserDefaults m_defaults;

private slots:
    void coversBothScreens()
    {
        const auto screens = QGuiApplication::screens();
        QCOMPARE(screens.size(), 2);
        X11Workspace workspace(qgetenv("DISPLAY"));
        MacLockOverlayController controller(workspace);
        controller.show(LockReason::forceLocked, {});
        const auto windows = controller.overlayWindows();
        QCOMPARE(windows.size(), 2);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(windows[i]->geometry(), screens[i]->geometry());
            const auto id = quint32(windows[i]->winId());
            QTRY_COMPARE_WITH_TIMEOUT(X11TestTools::mapState(qgetenv("DISPLAY"), id), u"IsViewable"_s, 2000);
            const auto info
                = X11TestTools::run(qgetenv("DISPLAY"), u"xwininfo"_s, { u"-id"_s, QString::number(id) });
            const auto geometry = screens[i]->geometry();
            QVERIFY2(info.contains(u"Absolute upper-left X:  %1"_s.arg(geometry.x()))
                         && info.contains(u"Width: %1"_s.arg(geometry.width()))
                         && info.contains(u"Height: %1"_s.arg(geometry.height())),
                     qPrintable(info));
        }
        controller.show(LockReason::forceLocked, {});
        QCOMPARE(controller.overlayWindows(), windows);
        controller.hide();
    }
};

// The application must connect to the two-screen server, so the server starts before it.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::printf("SKIP: needs X (run through scripts/test.sh)\n");
        return 0;
    }
    XvfbServer server({ u"-screen"_s, u"0"_s, u"800x600x24"_s, u"-screen"_s, u"1"_s, u"640x480x24"_s });
    if (!server.isRunning()) {
        std::printf("FAIL: the two-screen X server did not start\n");
        return 1;
    }
    qputenv("DISPLAY", server.display());
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TestLockOverlayTwoScreens test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestLockOverlayTwoScreens.moc"
