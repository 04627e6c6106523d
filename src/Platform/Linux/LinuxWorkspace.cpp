#include "Platform/Linux/LinuxWorkspace.h"

#include "Platform/Linux/DesktopEntryIndex.h"

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSysInfo>

using namespace Qt::StringLiterals;

namespace {

// "app-flatpak-org.example.App-12345.scope" in the process's control group names the app.
QString flatpakAppId(qint64 pid)
{
    QFile cgroup(u"/proc/%1/cgroup"_s.arg(pid));
    if (!cgroup.open(QIODevice::ReadOnly)) {
        return {};
    }
    static const QRegularExpression pattern(u"app-flatpak-([A-Za-z0-9_.-]+)-[0-9]+\\.scope"_s);
    const auto match = pattern.match(QString::fromUtf8(cgroup.readAll()));
    return match.hasMatch() ? match.captured(1) : QString();
}

QString executableOf(qint64 pid)
{
    if (pid <= 0) {
        return {};
    }
    return QFile::symLinkTarget(u"/proc/%1/exe"_s.arg(pid));
}

} // namespace

LinuxWorkspace::LinuxWorkspace() = default;

LinuxWorkspace::SessionKind LinuxWorkspace::sessionKind(const QProcessEnvironment& environment)
{
    // Sway started from a console login runs in a session whose type is still "tty".
    if (environment.contains(u"SWAYSOCK"_s) && environment.contains(u"WAYLAND_DISPLAY"_s)) {
        return SessionKind::wlroots;
    }
    const auto type = environment.value(u"XDG_SESSION_TYPE"_s);
    const bool wayland = type == u"wayland"_s
        || (type.isEmpty() && environment.contains(u"WAYLAND_DISPLAY"_s)
            && !environment.contains(u"DISPLAY"_s));
    if (!wayland) {
        return SessionKind::x11;
    }
    // "ubuntu:GNOME", "GNOME-Classic:GNOME", "GNOME"
    const auto desktops = environment.value(u"XDG_CURRENT_DESKTOP"_s).split(u':');
    if (desktops.contains(u"GNOME"_s, Qt::CaseInsensitive)) {
        return SessionKind::gnomeWayland;
    }
    if (desktops.contains(u"KDE"_s, Qt::CaseInsensitive)) {
        return SessionKind::kdeWayland;
    }
    if (desktops.contains(u"sway"_s, Qt::CaseInsensitive)
        || desktops.contains(u"wlroots"_s, Qt::CaseInsensitive)) {
        return SessionKind::wlroots;
    }
    return SessionKind::otherWayland;
}
LinuxWorkspace::~LinuxWorkspace() = default;

const DesktopEntryIndex& LinuxWorkspace::index(bool refreshIfOld)
{
    if (!m_entries) {
        m_entries = std::make_unique<DesktopEntryIndex>();
        m_entriesAge.start();
    } else if (refreshIfOld && m_entriesAge.elapsed() > 60'000) {
        m_entries->reload();
        m_entriesAge.restart();
    }
    return *m_entries;
}

QStringList LinuxWorkspace::executablesOf(const QString& applicationId)
{
    const auto* entry = index(true).byId(applicationId);
    if (!entry || entry->executableName.isEmpty()) {
        return {};
    }
    const auto found = QStandardPaths::findExecutable(entry->executableName);
    const auto canonical = found.isEmpty() ? QString() : QFileInfo(found).canonicalFilePath();
    // A launcher runs for many applications (and a sandboxed one's own program is not visible
    // from here): its processes would count every application it starts as this one.
    static const QStringList launchers { u"flatpak"_s, u"snap"_s, u"env"_s, u"sh"_s, u"bash"_s };
    if (canonical.isEmpty() || launchers.contains(QFileInfo(canonical).fileName())) {
        return {};
    }
    return { canonical };
}

RunningApplication LinuxWorkspace::describe(const WindowIdentity& window)
{
    RunningApplication app;
    app.processIdentifier = window.pid;
    const auto executable = executableOf(window.pid);
    if (!executable.isEmpty()) {
        app.executablePath = executable;
    }
    const auto& entries = index(false);
    const DesktopEntry* entry = nullptr;
    QString identifier;
    auto candidates = window.declaredIds;
    candidates.append(flatpakAppId(window.pid));
    for (auto candidate : std::as_const(candidates)) {
        if (candidate.endsWith(u".desktop"_s)) {
            candidate.chop(8);
        }
        if (!candidate.isEmpty()) {
            identifier = candidate;
            entry = entries.byId(candidate);
            break;
        }
    }
    if (identifier.isEmpty()) {
        entry = entries.byWindowClass(window.instance, window.className);
        if (!entry && !executable.isEmpty()) {
            entry = entries.byExecutable(executable);
        }
        if (!entry && !window.className.isEmpty()) {
            // An application installed after the index was built.
            entry = index(true).byWindowClass(window.instance, window.className);
        }
        identifier = entry ? entry->id : window.className;
    }
    if (!identifier.isEmpty()) {
        app.bundleIdentifier = identifier;
    }
    QString name = entry ? entry->name : window.className;
    if (name.isEmpty() && !executable.isEmpty()) {
        name = QFileInfo(executable).fileName();
    }
    if (!name.isEmpty()) {
        app.localizedName = name;
    }
    app.isRegular = window.regular;
    return app;
}

QIcon LinuxWorkspace::iconForFile(const QString& path)
{
    if (path.endsWith(u".desktop"_s)) {
        if (const auto entry = DesktopEntryIndex::parse(path, QFileInfo(path).completeBaseName());
            entry && !entry->icon.isEmpty()) {
            if (QFileInfo(entry->icon).isAbsolute()) {
                return QIcon(entry->icon);
            }
            return QIcon::fromTheme(entry->icon, QIcon::fromTheme(u"application-x-executable"_s));
        }
    }
    return QIcon::fromTheme(u"application-x-executable"_s);
}

QString LinuxWorkspace::hostName()
{
    return QSysInfo::machineHostName();
}

QString LinuxWorkspace::osVersion()
{
    return QSysInfo::prettyProductName();
}

std::optional<QString> LinuxWorkspace::ownBundleIdentifier()
{
    const auto desktopFile = QGuiApplication::desktopFileName();
    return desktopFile.isEmpty() ? u"vantorel"_s : desktopFile;
}
