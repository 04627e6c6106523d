#include "support/KWinSession.h"

#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <csignal>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;

namespace {

const auto python = u"/usr/bin/python3"_s;
const auto socketName = u"vantorel-kwin"_s;

} // namespace

KWinSession::~KWinSession()
{
    stop();
}

void KWinSession::stop()
{
    for (auto it = m_processes.rbegin(); it != m_processes.rend(); ++it) {
        (*it)->terminate();
        if (!(*it)->waitForFinished(3000)) {
            (*it)->kill();
            (*it)->waitForFinished(1000);
        }
    }
    m_processes.clear();
}

bool KWinSession::available(QString* why)
{
    if (QStandardPaths::findExecutable(u"kwin_wayland"_s).isEmpty()) {
        *why = u"kwin-wayland is not installed"_s;
        return false;
    }
    if (QProcess::execute(python, { u"-c"_s, u"import gi; gi.require_version('Gtk', '3.0')"_s }) != 0) {
        *why = u"python3-gi or gir1.2-gtk-3.0 is not installed"_s;
        return false;
    }
    return true;
}

QProcess* KWinSession::startProcess(const QString& program, const QStringList& arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(m_environment);
    process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    process->start(program, arguments);
    if (!process->waitForStarted(10000)) {
        m_error = u"%1 did not start"_s.arg(program);
        return nullptr;
    }
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
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
    auto* bus = startProcess(u"dbus-daemon"_s, { u"--session"_s, u"--nofork"_s, u"--print-address=1"_s });
    if (!bus || !bus->waitForReadyRead(10000)) {
        m_error = u"the session bus did not start"_s;
        return false;
    }
    m_environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, QString::fromUtf8(bus->readLine()).trimmed());
    auto* compositor = startProcess(kwin,
                                    { u"--virtual"_s, u"--no-lockscreen"_s, u"--socket"_s, socketName,
                                      u"--width"_s, u"1280"_s, u"--height"_s, u"800"_s });
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

QProcess* KWinSession::startWindow(const QString& appId)
{
    auto* window = startProcess(python, { QStringLiteral(VANTOREL_WAYLAND_WINDOW_SCRIPT), appId });
    if (!window || !window->waitForReadyRead(10000)) {
        return nullptr;
    }
    window->readLine(); // "shown"
    return window;
}
