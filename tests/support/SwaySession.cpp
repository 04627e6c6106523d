#include "support/SwaySession.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTest>

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

bool SwaySession::available(QString* why)
{
    if (QStandardPaths::findExecutable(u"sway"_s).isEmpty() || !::getpwnam("nobody")) {
        *why = u"sway is not installed (or there is no user nobody to run it)"_s;
        return false;
    }
    return windowHelperAvailable(why);
}

QProcessEnvironment SwaySession::environment(bool forSway) const
{
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.remove(u"DISPLAY"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, m_dir.path() + (forSway ? u"/sway"_s : u"/clients"_s));
    environment.remove(u"SWAYSOCK"_s); // Sway would listen there
    if (!forSway) {
        environment.insert(u"WAYLAND_DISPLAY"_s, m_display);
    }
    environment.insert(u"GDK_BACKEND"_s, u"wayland"_s);
    environment.insert(u"WLR_BACKENDS"_s, u"headless"_s);
    environment.insert(u"WLR_LIBINPUT_NO_DEVICES"_s, u"1"_s);
    environment.insert(u"WLR_RENDERER"_s, u"pixman"_s);
    return environment;
}

QProcess* SwaySession::startProcess(const QString& program, const QStringList& arguments, bool asNobody)
{
    if (!asNobody) {
        return CompositorSession::startProcess(program, arguments, environment(false));
    }
    const auto* nobody = ::getpwnam("nobody");
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    return CompositorSession::startProcess(program, arguments, environment(true), [uid, gid] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) {
            ::_exit(127);
        }
    });
}

bool SwaySession::start()
{
    const auto* nobody = ::getpwnam("nobody");
    const auto runtime = m_dir.path() + u"/sway"_s;
    const auto config = m_dir.path() + u"/config"_s;
    QFile configFile(config);
    if (!m_dir.isValid() || !QDir().mkpath(runtime) || !QDir().mkpath(m_dir.path() + u"/clients"_s)
        || !QDir().mkpath(dataHome()) || ::chown(qPrintable(runtime), nobody->pw_uid, nobody->pw_gid) != 0
        || !QFile::setPermissions(m_dir.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ExeGroup
                                      | QFile::ExeOther)
        || !configFile.open(QIODevice::WriteOnly)) {
        m_error = u"cannot make the session's folders"_s;
        return false;
    }
    configFile.write("output HEADLESS-1 resolution 1280x800\n");
    configFile.close();
    configFile.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    auto* sway = startProcess(u"sway"_s, { u"-c"_s, config }, true);
    if (!sway) {
        return false;
    }
    const QDeadlineTimer deadline(20000);
    while (m_display.isEmpty() || m_ipc.isEmpty()) {
        for (const auto& name : QDir(runtime).entryList(QDir::System)) {
            if (name.startsWith(u"wayland-"_s) && !name.endsWith(u".lock"_s)) {
                m_display = runtime + u'/' + name;
            } else if (name.startsWith(u"sway-ipc."_s)) {
                m_ipc = runtime + u'/' + name;
            }
        }
        if (sway->state() != QProcess::Running || deadline.hasExpired()) {
            m_error = u"sway did not start: "_s + QString::fromUtf8(sway->readAllStandardError().right(2000));
            return false;
        }
        QTest::qWait(100);
    }
    return true;
}

bool SwaySession::type(const QStringList& arguments)
{
    // The headless seat has a keyboard only while wtype runs, and clients ask for theirs when it
    // appears: a Shift and a pause give them the time, so that no key is lost.
    auto* wtype
        = startProcess(u"wtype"_s, QStringList { u"-k"_s, u"Shift_L"_s, u"-s"_s, u"300"_s } + arguments);
    // With the event loop running: a client of this process may be the one that takes the keys.
    return wtype && QTest::qWaitFor([wtype] { return wtype->state() == QProcess::NotRunning; }, 10000)
        && wtype->exitCode() == 0;
}

bool SwaySession::shows(qint64 pid)
{
    // A command whose criteria match no window fails with "No matching node".
    return command(u"[pid=%1 workspace=__focused__] nop"_s.arg(pid));
}

bool SwaySession::command(const QString& command)
{
    QProcess swaymsg;
    swaymsg.start(u"swaymsg"_s, { u"-s"_s, m_ipc, command });
    return swaymsg.waitForFinished(10000) && swaymsg.exitCode() == 0;
}
