#include "support/GnomeShellSession.h"

#include "Platform/Linux/GnomeShellWorkspace.h"

#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const auto extensionUuid = u"shield@vantorel.corvane.com"_s;
const auto python = u"/usr/bin/python3"_s;

bool copyFolder(const QString& from, const QString& to)
{
    const auto names = QDir(from).entryList(QDir::Files);
    if (names.isEmpty() || !QDir().mkpath(to)) {
        return false;
    }
    for (const auto& name : names) {
        if (!QFile::copy(from + u'/' + name, to + u'/' + name)) {
            return false;
        }
    }
    return true;
}

} // namespace

bool GnomeShellSession::available(QString* why)
{
    if (QStandardPaths::findExecutable(u"gnome-shell"_s).isEmpty()) {
        *why = u"gnome-shell is not installed"_s;
        return false;
    }
    if (QProcess::execute(python, { u"-c"_s, u"import dbusmock, gi"_s }) != 0) {
        *why = u"python3-dbusmock or python3-gi is not installed"_s;
        return false;
    }
    return true;
}

bool GnomeShellSession::start()
{
    const auto runtime = m_dir.path() + u"/runtime"_s;
    if (!m_dir.isValid() || !QDir().mkpath(runtime) || !QDir().mkpath(home())
        || !QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
        m_error = u"cannot make the session's folders"_s;
        return false;
    }
    m_environment = QProcessEnvironment::systemEnvironment();
    m_environment.remove(u"DISPLAY"_s);
    m_environment.insert(u"HOME"_s, home());
    m_environment.insert(u"XDG_RUNTIME_DIR"_s, runtime);
    m_environment.insert(u"XDG_DATA_HOME"_s, dataHome());
    m_environment.insert(u"XDG_CONFIG_HOME"_s, home() + u"/.config"_s);
    m_environment.insert(u"XDG_SESSION_TYPE"_s, u"wayland"_s);
    m_environment.insert(u"WAYLAND_DISPLAY"_s, u"vantorel-test"_s);
    m_environment.insert(u"GDK_BACKEND"_s, u"wayland"_s);

    // The shell asks logind for its session and seat and exits when nobody answers.
    const auto systemBus = startBus(m_environment);
    if (systemBus.isEmpty()) {
        m_error = u"the system bus did not start"_s;
        return false;
    }
    m_environment.insert(u"DBUS_SYSTEM_BUS_ADDRESS"_s, systemBus);
    if (!startProcess(python, { u"-m"_s, u"dbusmock"_s, u"--system"_s, u"--template"_s, u"logind"_s },
                      m_environment)) {
        return false;
    }
    // Services the session bus starts (dconf) inherit this environment, so they use this home.
    const auto sessionBus = startBus(m_environment);
    if (sessionBus.isEmpty()) {
        m_error = u"the session bus did not start"_s;
        return false;
    }
    m_environment.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, sessionBus);

    if (!copyFolder(QStringLiteral(VANTOREL_GNOME_EXTENSION_DIR),
                    dataHome() + u"/gnome-shell/extensions/"_s + extensionUuid)) {
        m_error = u"cannot install the extension"_s;
        return false;
    }
    QProcess settings;
    settings.setProcessEnvironment(m_environment);
    settings.start(
        u"gsettings"_s,
        { u"set"_s, u"org.gnome.shell"_s, u"enabled-extensions"_s, u"['%1']"_s.arg(extensionUuid) });
    if (!settings.waitForFinished(10000) || settings.exitCode() != 0) {
        m_error = u"cannot enable the extension: "_s + QString::fromUtf8(settings.readAllStandardError());
        return false;
    }
    auto* shell = startProcess(u"gnome-shell"_s,
                               { u"--headless"_s, u"--wayland"_s, u"--no-x11"_s, u"--virtual-monitor"_s,
                                 u"1280x800"_s, u"--wayland-display=vantorel-test"_s },
                               m_environment);
    if (!shell) {
        return false;
    }
    shell->setStandardOutputFile(QProcess::nullDevice());
    const QDeadlineTimer deadline(30000);
    while (!deadline.hasExpired()) {
        auto message = QDBusMessage::createMethodCall(u"org.gnome.Shell"_s, u"/com/corvane/vantorel/Shield"_s,
                                                      u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
        message << u"com.corvane.vantorel.Shield1"_s << u"Version"_s;
        if (bus().call(message, QDBus::Block, 1000).type() == QDBusMessage::ReplyMessage) {
            return true;
        }
        if (shell->state() != QProcess::Running) {
            m_error = u"gnome-shell ended: "_s + QString::fromUtf8(shell->readAllStandardError().right(2000));
            return false;
        }
        QTest::qWait(200);
    }
    m_error = u"the extension did not answer within 30 s: "_s
        + QString::fromUtf8(shell->readAllStandardError().right(2000));
    return false;
}

QDBusConnection GnomeShellSession::bus() const
{
    const auto address = m_environment.value(u"DBUS_SESSION_BUS_ADDRESS"_s);
    return QDBusConnection::connectToBus(address, u"gnome-shell-session-"_s + address);
}

QProcess* GnomeShellSession::startWindow(const QString& appId)
{
    auto* window = openWindow(appId, m_environment);
    if (!window) {
        return nullptr;
    }
    // A click that comes before the shell has mapped the window lands on the desktop, and the
    // shell then gives the window no keyboard at all: wait until the shell lists it.
    GnomeShellWorkspace shell(bus());
    const auto listed = [&shell, pid = window->processId()] {
        const auto running = shell.runningApplications();
        return std::any_of(running.cbegin(), running.cend(),
                           [pid](const auto& app) { return app.processIdentifier == pid; });
    };
    if (!QTest::qWaitFor(listed, 10000)) {
        return nullptr;
    }
    QTest::qWait(500);
    return window;
}

bool GnomeShellSession::input(const QStringList& steps)
{
    QProcess input;
    input.setProcessEnvironment(m_environment);
    input.start(python, QStringList { QStringLiteral(VANTOREL_REMOTE_INPUT_SCRIPT) } + steps);
    if (!input.waitForFinished(30000) || input.exitCode() != 0) {
        qWarning("remote input failed: %s", input.readAllStandardError().constData());
        return false;
    }
    return true;
}
