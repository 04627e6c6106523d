#include "support/KWinSession.h"

#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const auto socketName = u"vantorel-kwin"_s;

} // namespace

bool KWinSession::available(QString* why)
{
    if (QStandardPaths::findExecutable(u"kwin_wayland"_s).isEmpty()) {
        *why = u"kwin-wayland is not installed"_s;
        return false;
    }
    return windowHelperAvailable(why);
}

bool KWinSession::start()
{
    const auto runtime = m_dir.path() + u"/runtime"_s;
    const auto home = m_dir.path() + u"/home"_s;
    // The installed program carries file capabilities that a container may refuse to execute; a
    // copy has none. KWin's platform plugin insists on the program's name.
    const auto kwin = m_dir.path() + u"/kwin_wayland"_s;
    if (!m_dir.isValid() || !QDir().mkpath(runtime) || !QDir().mkpath(home) || !QDir().mkpath(dataHome())
        || !QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)
        || !QFile::copy(QStandardPaths::findExecutable(u"kwin_wayland"_s), kwin)) {
        m_error = u"cannot make the session's folders"_s;
        return false;
    }
    m_environment = QProcessEnvironment();
    m_environment.insert(u"PATH"_s, qEnvironmentVariable("PATH"));
    m_environment.insert(u"HOME"_s, home);
    m_environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
    const auto bus = startBus(m_environment);
    if (bus.isEmpty()) {
        m_error = u"the session bus did not start"_s;
        return false;
    }
    m_environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, bus);
    auto* compositor = startProcess(kwin,
                                    { u"--virtual"_s, u"--no-lockscreen"_s, u"--socket"_s, socketName,
                                      u"--width"_s, u"1280"_s, u"--height"_s, u"800"_s },
                                    m_environment);
    if (!compositor) {
        return false;
    }
    compositor->setStandardOutputFile(QProcess::nullDevice());
    m_environment.insert(u"WAYLAND_DISPLAY"_s, socketName);
    m_environment.insert(u"GDK_BACKEND"_s, u"wayland"_s);
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        const auto message = QDBusMessage::createMethodCall(
            u"org.kde.KWin"_s, u"/Scripting"_s, u"org.freedesktop.DBus.Introspectable"_s, u"Introspect"_s);
        if (QFile::exists(runtime + u'/' + socketName)
            && this->bus().call(message, QDBus::Block, 1000).type() == QDBusMessage::ReplyMessage) {
            return true;
        }
        if (compositor->state() != QProcess::Running) {
            m_error = u"kwin_wayland ended: "_s
                + QString::fromUtf8(compositor->readAllStandardError().right(2000));
            return false;
        }
        QTest::qWait(200);
    }
    m_error = u"KWin did not answer within 30 s"_s;
    return false;
}

QDBusConnection KWinSession::bus() const
{
    const auto address = m_environment.value(u"DBUS_SESSION_BUS_ADDRESS"_s);
    return QDBusConnection::connectToBus(address, u"kwin-session-"_s + address);
}

QProcess* KWinSession::startClient(const QString& program, const QStringList& arguments)
{
    auto environment = m_environment;
    environment.insert(u"QT_QPA_PLATFORM"_s, u"wayland"_s);
    return startProcess(program, arguments, environment);
}
