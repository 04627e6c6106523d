#include "support/DesktopSession.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <QUuid>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <unistd.h>
#include <vector>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

const QString accessibilityLauncher = u"/usr/libexec/at-spi-bus-launcher"_s;

bool nameOwned(const QString& address, const QString& name)
{
    const QString connectionName = u"desktop-session-probe-"_s + QUuid::createUuid().toString();
    bool owned = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, connectionName);
        owned = bus.isConnected() && bus.interface()->isServiceRegistered(name).value();
    }
    QDBusConnection::disconnectFromBus(connectionName);
    return owned;
}

} // namespace

DesktopSession::DesktopSession() = default;

DesktopSession::~DesktopSession()
{
    // The programs first, then the buses they talk to; the X server goes last with m_x.
    std::vector<qint64> programs;
    for (const auto& [pid, process] : m_programs) {
        if (pid != m_bus && pid != m_accessibility) {
            programs.push_back(pid);
        }
    }
    for (const qint64 pid : programs) {
        stopProgram(pid);
    }
    stopProgram(m_accessibility);
    stopProgram(m_bus);
}

bool DesktopSession::start()
{
    // Two screens of different sizes, so that a window's extents tell which one it covers.
    m_x = std::make_unique<XvfbServer>(
        QStringList { u"-screen"_s, u"0"_s, u"1024x768x24"_s, u"-screen"_s, u"1"_s, u"800x600x24"_s }, true);
    m_secondX = std::make_unique<XvfbServer>(QStringList { u"-screen"_s, u"0"_s, u"1024x768x24"_s }, true);
    if (!m_x->isRunning() || !m_secondX->isRunning()) {
        m_error = u"the X servers did not start"_s;
        return false;
    }
    // The bus tells where it listens on its first line of output.
    auto bus = std::make_unique<QProcess>();
    bus->setProcessEnvironment(environment());
    bus->setStandardErrorFile(QProcess::nullDevice());
    bus->setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
    bus->start(u"dbus-daemon"_s, { u"--session"_s, u"--nofork"_s, u"--print-address=1"_s });
    QByteArray output;
    while (!output.contains('\n') && bus->waitForReadyRead(10000)) {
        output += bus->readAllStandardOutput();
    }
    if (!output.contains('\n')) {
        m_error = u"dbus-daemon did not start"_s;
        return false;
    }
    m_busAddress = QString::fromUtf8(output.left(output.indexOf('\n'))).trimmed();
    m_bus = bus->processId();
    m_programs[m_bus] = std::move(bus);

    m_accessibility
        = startProgram(accessibilityLauncher, { u"--launch-immediately"_s, u"--a11y=1"_s }, environment());
    const QDeadlineTimer deadline(15000);
    while (!nameOwned(m_busAddress, u"org.a11y.Bus"_s)) {
        if (deadline.hasExpired() || !isRunning(m_accessibility)) {
            m_error = u"the accessibility bus did not start"_s;
            return false;
        }
        QThread::msleep(50);
    }
    return true;
}

QByteArray DesktopSession::display() const
{
    return m_x ? m_x->display() : QByteArray();
}

QByteArray DesktopSession::secondDisplay() const
{
    return m_secondX ? m_secondX->display() : QByteArray();
}

QProcessEnvironment DesktopSession::environment() const
{
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, QString::fromUtf8(display()));
    env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, m_busAddress);
    env.remove(u"AT_SPI_BUS_ADDRESS"_s);
    return env;
}

qint64 DesktopSession::startProgram(const QString& program, const QStringList& arguments,
                                    const QProcessEnvironment& environment, const QString& logFile)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    if (logFile.isEmpty()) {
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
    } else {
        process->setStandardOutputFile(logFile, QIODevice::Append);
        process->setStandardErrorFile(logFile, QIODevice::Append);
    }
    process->setChildProcessModifier([] {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
    process->start(program, arguments);
    if (!process->waitForStarted(10000)) {
        return 0;
    }
    const qint64 pid = process->processId();
    m_programs[pid] = std::move(process);
    return pid;
}

void DesktopSession::stopProgram(qint64 pid)
{
    const auto found = m_programs.find(pid);
    if (found == m_programs.end()) {
        return;
    }
    QProcess& process = *found->second;
    ::kill(-pid_t(pid), SIGTERM);
    if (process.state() != QProcess::NotRunning && !process.waitForFinished(5000)) {
        ::kill(-pid_t(pid), SIGKILL);
        process.waitForFinished(5000);
    }
    // Whatever the leader left behind in its group.
    ::kill(-pid_t(pid), SIGKILL);
    m_programs.erase(found);
    if (pid == m_accessibility) {
        m_accessibility = 0;
    }
}

bool DesktopSession::isRunning(qint64 pid) const
{
    const auto found = m_programs.find(pid);
    return found != m_programs.end() && found->second->state() == QProcess::Running;
}

QImage DesktopSession::grabScreens()
{
    // Each X screen has its own origin: they are laid side by side in screen order.
    const auto screens = QGuiApplication::screens();
    QSize size;
    for (const QScreen* screen : screens) {
        size = QSize(size.width() + screen->size().width(), std::max(size.height(), screen->size().height()));
    }
    if (size.isEmpty()) {
        return {};
    }
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    int x = 0;
    for (QScreen* screen : screens) {
        painter.drawPixmap(x, 0, screen->grabWindow(0));
        x += screen->size().width();
    }
    return image;
}

QImage DesktopSession::grabDisplay(const QByteArray& display)
{
    xcb_connection_t* connection = xcb_connect(display.constData(), nullptr);
    QImage image;
    if (!xcb_connection_has_error(connection)) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
        const auto cookie = xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                                          screen->width_in_pixels, screen->height_in_pixels, ~0u);
        if (auto* reply = xcb_get_image_reply(connection, cookie, nullptr)) {
            // 24-bit depth travels as 32 bits a pixel, blue first: QImage's RGB32 on this machine.
            if (reply->depth == 24
                && xcb_get_image_data_length(reply)
                    == screen->width_in_pixels * screen->height_in_pixels * 4) {
                image = QImage(xcb_get_image_data(reply), screen->width_in_pixels, screen->height_in_pixels,
                               QImage::Format_RGB32)
                            .copy();
            }
            std::free(reply);
        }
    }
    xcb_disconnect(connection);
    return image;
}
