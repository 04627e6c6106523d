#include "support/XvfbServer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <csignal>
#include <sys/prctl.h>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

XvfbServer::XvfbServer(const QStringList& serverArguments, bool withWindowManager)
{
    int number = 600 + int(QCoreApplication::applicationPid() % 200);
    for (int tries = 0; tries < 200; ++tries, ++number) {
        if (!QFile::exists(u"/tmp/.X11-unix/X%1"_s.arg(number))
            && !QFile::exists(u"/tmp/.X%1-lock"_s.arg(number))) {
            break;
        }
    }
    m_display = ":" + QByteArray::number(number);
    m_server.setStandardOutputFile(QProcess::nullDevice());
    m_server.setStandardErrorFile(QProcess::nullDevice());
    // Never outlive the test, even one that aborts.
    m_server.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    // -noreset: otherwise the server resets when the readiness probe below disconnects, and a
    // client connecting in that moment is refused.
    m_server.start(u"Xvfb"_s,
                   QStringList { QString::fromUtf8(m_display) } + serverArguments
                       + QStringList { u"-nolisten"_s, u"tcp"_s, u"-noreset"_s });
    if (!m_server.waitForStarted(5000)) {
        return;
    }
    const QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        auto* connection = xcb_connect(m_display.constData(), nullptr);
        const bool ok = !xcb_connection_has_error(connection);
        xcb_disconnect(connection);
        if (ok) {
            m_running = true;
            break;
        }
        QThread::msleep(50);
    }
    if (m_running && withWindowManager) {
        m_windowManager.setProcessEnvironment(environment());
        m_windowManager.setStandardOutputFile(QProcess::nullDevice());
        m_windowManager.setStandardErrorFile(QProcess::nullDevice());
        m_windowManager.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_windowManager.start(u"openbox"_s, { u"--sm-disable"_s });
        m_windowManager.waitForStarted(5000);
        QThread::msleep(500);
    }
}

XvfbServer::~XvfbServer()
{
    for (auto* process : { &m_windowManager, &m_server }) {
        if (process->state() != QProcess::NotRunning) {
            process->terminate();
            if (!process->waitForFinished(3000)) {
                process->kill();
                process->waitForFinished(3000);
            }
        }
    }
}

QProcessEnvironment XvfbServer::environment() const
{
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, QString::fromUtf8(m_display));
    return env;
}

namespace X11TestTools {

QString run(const QByteArray& display, const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, QString::fromUtf8(display));
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

quint32 windowNamed(const QByteArray& display, const QString& instanceName)
{
    const auto found = run(
        display, u"xdotool"_s,
        { u"search"_s, u"--sync"_s, u"--onlyvisible"_s, u"--classname"_s, u"^%1$"_s.arg(instanceName) });
    return found.section(u'\n', 0, 0).toUInt();
}

QString mapState(const QByteArray& display, quint32 window)
{
    const auto info = run(display, u"xwininfo"_s, { u"-id"_s, QString::number(window) });
    static const QRegularExpression state(u"Map State: (\\w+)"_s);
    return state.match(info).captured(1);
}

int stackingIndex(const QByteArray& display, quint32 window)
{
    auto* c = xcb_connect(display.constData(), nullptr);
    int index = -1;
    xcb_window_t current = window;
    xcb_window_t root = XCB_NONE;
    while (true) {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, current), nullptr);
        if (!tree) {
            break;
        }
        root = tree->root;
        const auto parent = tree->parent;
        free(tree);
        if (parent == root || parent == XCB_NONE) {
            break;
        }
        current = parent;
    }
    if (auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr)) {
        const auto* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
            if (children[i] == current) {
                index = i;
            }
        }
        free(tree);
    }
    xcb_disconnect(c);
    return index;
}

bool keyboardTaken(const QByteArray& display)
{
    int screenNumber = 0;
    auto* c = xcb_connect(display.constData(), &screenNumber);
    auto iterator = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screenNumber; ++i) {
        xcb_screen_next(&iterator);
    }
    auto* reply = xcb_grab_keyboard_reply(c,
                                          xcb_grab_keyboard(c, 0, iterator.data->root, XCB_CURRENT_TIME,
                                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                          nullptr);
    const bool taken = !reply || reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED;
    free(reply);
    xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_flush(c);
    xcb_disconnect(c);
    return taken;
}

} // namespace X11TestTools
