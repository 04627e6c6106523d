// A full-screen window that prints every key it receives on standard output, one per line: the
// application a child would try to keep using behind the lock. With --override it bypasses the
// window manager (an override-redirect window); with --grab it also takes the keyboard and the
// pointer as soon as it can and prints "grabbed".
#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {
class Probe final : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        std::printf("key %s\n", event->text().toUtf8().constData());
        std::fflush(stdout);
    }
};
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const auto arguments = app.arguments();
    const bool overrideRedirect = arguments.contains(QStringLiteral("--override"));
    Probe probe(nullptr,
                overrideRedirect ? Qt::Window | Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint
                                 : Qt::Window);
    probe.setWindowTitle(QStringLiteral("key probe"));
    if (overrideRedirect) {
        probe.setGeometry(QGuiApplication::primaryScreen()->geometry());
        probe.show();
    } else {
        probe.showFullScreen();
    }
    std::printf("ready\n");
    std::fflush(stdout);
    QTimer grabber;
    if (arguments.contains(QStringLiteral("--grab"))) {
        QObject::connect(&grabber, &QTimer::timeout, &probe, [&] {
            auto* c = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
            const auto window = xcb_window_t(probe.winId());
            auto* keyboard = xcb_grab_keyboard_reply(
                c,
                xcb_grab_keyboard(c, 1, window, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                nullptr);
            auto* pointer = xcb_grab_pointer_reply(c,
                                                   xcb_grab_pointer(c, 1, window, XCB_EVENT_MASK_BUTTON_PRESS,
                                                                    XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC,
                                                                    XCB_NONE, XCB_NONE, XCB_CURRENT_TIME),
                                                   nullptr);
            const bool held = keyboard && keyboard->status == XCB_GRAB_STATUS_SUCCESS && pointer
                && pointer->status == XCB_GRAB_STATUS_SUCCESS;
            std::free(keyboard);
            std::free(pointer);
            if (held) {
                grabber.stop();
                std::printf("grabbed\n");
                std::fflush(stdout);
            }
        });
        grabber.start(20);
    }
    return app.exec();
}
