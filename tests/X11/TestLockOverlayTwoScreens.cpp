#include "Platform/Linux/X11Workspace.h"
#include "Platform/PlatformDefaults.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacLockOverlayWindow.h"
#include "support/MemoryUserDefaults.h"
#include "support/XvfbServer.h"

#include <QApplication>
#include <QPushButton>
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
        MacLockOverlayController controller(workspace, PlatformDefaults::processShield());
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

    // The child may stand at either screen: both lock windows' buttons answer a real click.
    void buttonsAnswerOnEveryScreen_data()
    {
        QTest::addColumn<int>("screen");
        QTest::newRow("first screen") << 0;
        QTest::newRow("second screen") << 1;
    }

    void buttonsAnswerOnEveryScreen()
    {
        QFETCH(int, screen);
        const QByteArray display = qgetenv("DISPLAY");
        X11Workspace workspace(display);
        int requests = 0;
        MacLockOverlayController controller(workspace, PlatformDefaults::processShield());
        controller.coordinator().onUnlockRequest = [&requests] { ++requests; };
        controller.show(LockReason::forceLocked, {});
        QTRY_VERIFY_WITH_TIMEOUT(controller.holdsInputGrab(), 3000);
        auto* window = controller.overlayWindows().at(screen);
        auto* button = window->findChild<QPushButton*>(u"unlockRequestButton"_s);
        QVERIFY(button);
        QTRY_VERIFY(button->isVisible());
        const QPoint target = button->mapToGlobal(button->rect().center());
        // Each screen is an X screen of its own here, with its own coordinates.
        const QPoint onScreen = target - window->screen()->geometry().topLeft();
        X11TestTools::run(display, u"xdotool"_s,
                          { u"mousemove"_s, u"--screen"_s, QString::number(screen),
                            QString::number(onScreen.x()), QString::number(onScreen.y()) });
        QTest::qWait(300);
        X11TestTools::run(display, u"xdotool"_s, { u"click"_s, u"1"_s });
        QTRY_COMPARE_WITH_TIMEOUT(requests, 1, 3000);
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
