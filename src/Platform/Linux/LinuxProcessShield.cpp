#include "Platform/Linux/LinuxProcessShield.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>

using namespace Qt::StringLiterals;

namespace {

// The start time of a process in clock ticks since boot (field 22 of /proc/PID/stat), which
// tells a process from a later one that was given the same number; 0 when it is gone.
quint64 startTimeOf(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    const auto line = stat.readAll();
    // The command name (field 2) may contain spaces and parentheses: count from its end.
    const auto close = line.lastIndexOf(')');
    if (close < 0) {
        return 0;
    }
    const auto fields = line.mid(close + 2).split(' ');
    // Fields from the third on: the start time is the twentieth of them.
    return fields.size() > 19 ? fields[19].toULongLong() : 0;
}

} // namespace

struct LinuxProcessShield::Private
{
    QByteArray displayName;
    int graceMs = 1500;
    xcb_connection_t* connection = nullptr;
    bool tried = false;
    bool haveRes = false;
    xcb_atom_t netWmPid = XCB_NONE;

    xcb_connection_t* connect()
    {
        if (tried) {
            return connection;
        }
        tried = true;
        auto* c = xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), nullptr);
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            return nullptr;
        }
        connection = c;
        const auto* res = xcb_get_extension_data(c, &xcb_res_id);
        if (res && res->present) {
            auto* version = xcb_res_query_version_reply(c, xcb_res_query_version(c, 1, 2), nullptr);
            haveRes = version && (version->server_major > 1 || version->server_minor >= 2);
            std::free(version);
        }
        static constexpr char name[] = "_NET_WM_PID";
        auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, sizeof name - 1, name), nullptr);
        netWmPid = atom ? atom->atom : XCB_NONE;
        std::free(atom);
        return connection;
    }
};

LinuxProcessShield::LinuxProcessShield(const QByteArray& displayName, int graceMs)
    : d(std::make_unique<Private>())
{
    d->displayName = displayName;
    d->graceMs = graceMs;
}

LinuxProcessShield::~LinuxProcessShield()
{
    if (d->connection) {
        xcb_disconnect(d->connection);
    }
}

bool LinuxProcessShield::maySignal(qint64 pid)
{
    if (pid <= 1 || pid == QCoreApplication::applicationPid()) {
        return false;
    }
    struct stat info
    {
    };
    return ::stat(qPrintable(u"/proc/%1"_s.arg(pid)), &info) == 0 && info.st_uid == ::getuid();
}

qint64 LinuxProcessShield::processOfWindow(quintptr window)
{
    auto* c = d->connect();
    if (!c || window == 0) {
        return 0;
    }
    const auto id = static_cast<xcb_window_t>(window);
    xcb_res_query_client_ids_cookie_t resCookie {};
    if (d->haveRes) {
        xcb_res_client_id_spec_t spec { id, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID };
        resCookie = xcb_res_query_client_ids(c, 1, &spec);
    }
    const auto pidCookie = xcb_get_property(c, 0, id, d->netWmPid, XCB_ATOM_CARDINAL, 0, 1);
    qint64 pid = 0;
    if (d->haveRes) {
        if (auto* ids = xcb_res_query_client_ids_reply(c, resCookie, nullptr)) {
            for (auto it = xcb_res_query_client_ids_ids_iterator(ids); it.rem > 0;
                 xcb_res_client_id_value_next(&it)) {
                if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID)
                    && xcb_res_client_id_value_value_length(it.data) >= 1) {
                    pid = *xcb_res_client_id_value_value(it.data);
                }
            }
            std::free(ids);
        }
    }
    if (auto* property = xcb_get_property_reply(c, pidCookie, nullptr)) {
        // The property is the window's own word: used only when the server cannot say (a
        // remote client, or no X-Resource extension).
        if (pid == 0 && property->format == 32 && xcb_get_property_value_length(property) >= 4) {
            pid = *static_cast<const uint32_t*>(xcb_get_property_value(property));
        }
        std::free(property);
    }
    return pid;
}

QList<qint64> LinuxProcessShield::processesRunning(const QStringList& executables)
{
    QList<qint64> found;
    if (executables.isEmpty()) {
        return found;
    }
    const auto entries = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const auto& entry : entries) {
        bool numeric = false;
        const auto pid = entry.toLongLong(&numeric);
        if (!numeric || !maySignal(pid)) {
            continue;
        }
        const auto executable = QFile::symLinkTarget(u"/proc/%1/exe"_s.arg(pid));
        if (!executable.isEmpty() && executables.contains(executable)) {
            found.append(pid);
        }
    }
    return found;
}

QList<qint64> LinuxProcessShield::stop(const QList<qint64>& processes)
{
    QList<qint64> asked;
    QList<QPair<qint64, quint64>> pending;
    for (const auto pid : processes) {
        if (asked.contains(pid) || !maySignal(pid)) {
            continue;
        }
        const auto started = startTimeOf(pid);
        if (::kill(pid_t(pid), SIGTERM) == 0) {
            asked.append(pid);
            pending.append({ pid, started });
        }
    }
    if (!pending.isEmpty()) {
        // A process that ignores the request is not given a second chance: the warnings
        // before the lock were its time to save and quit.
        QTimer::singleShot(d->graceMs, [pending] {
            for (const auto& [pid, started] : pending) {
                if (started != 0 && startTimeOf(pid) == started && maySignal(pid)) {
                    ::kill(pid_t(pid), SIGKILL);
                }
            }
        });
    }
    return asked;
}
