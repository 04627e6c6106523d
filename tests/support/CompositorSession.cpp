#include "support/CompositorSession.h"

#include <QDir>
#include <QFile>

#include <csignal>
#include <sys/prctl.h>

using namespace Qt::StringLiterals;

namespace {
const auto python = u"/usr/bin/python3"_s;
} // namespace

CompositorSession::~CompositorSession()
{
    stop();
}

bool CompositorSession::installDesktopEntries(const QList<std::pair<QString, QByteArray>>& entries)
{
    const auto applications = dataHome() + u"/applications"_s;
    for (const auto& [file, lines] : entries) {
        QFile entry(applications + u'/' + file);
        if (!QDir().mkpath(applications) || !entry.open(QIODevice::WriteOnly)
            || entry.write("[Desktop Entry]\nType=Application\n" + lines) < 0) {
            m_error = u"cannot write "_s + entry.fileName();
            return false;
        }
    }
    qputenv("XDG_DATA_HOME", dataHome().toUtf8());
    return true;
}

void CompositorSession::stop()
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

bool CompositorSession::windowHelperAvailable(QString* why)
{
    if (QProcess::execute(python, { u"-c"_s, u"import gi; gi.require_version('Gtk', '3.0')"_s }) != 0) {
        *why = u"python3-gi or gir1.2-gtk-3.0 is not installed"_s;
        return false;
    }
    return true;
}

QProcess* CompositorSession::startProcess(const QString& program, const QStringList& arguments,
                                          const QProcessEnvironment& environment,
                                          std::function<void()> inChild)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessEnvironment(environment);
    process->setChildProcessModifier([inChild] {
        if (inChild) {
            inChild();
        }
        // After a change of user, which clears it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    });
    process->start(program, arguments);
    if (!process->waitForStarted(10000)) {
        m_error = u"%1 did not start"_s.arg(program);
        return nullptr;
    }
    m_processes.push_back(std::move(process));
    return m_processes.back().get();
}

QString CompositorSession::startBus(const QProcessEnvironment& environment)
{
    auto* bus = startProcess(u"dbus-daemon"_s, { u"--session"_s, u"--nofork"_s, u"--print-address=1"_s },
                             environment);
    if (!bus || !bus->waitForReadyRead(10000)) {
        return {};
    }
    return QString::fromUtf8(bus->readLine()).trimmed();
}

QProcess* CompositorSession::openWindow(const QString& appId, const QProcessEnvironment& environment,
                                        const QStringList& options)
{
    auto* window = startProcess(
        python, QStringList { QStringLiteral(VANTOREL_WAYLAND_WINDOW_SCRIPT), appId } + options, environment);
    if (!window || !window->waitForReadyRead(10000)) {
        return nullptr;
    }
    window->readLine(); // "shown"
    return window;
}
