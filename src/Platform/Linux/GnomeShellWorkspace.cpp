#include "Platform/Linux/GnomeShellWorkspace.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusReply>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

// The sampler asks every 3 seconds on the main thread; a shell that does not answer within this
// time is treated as showing nothing rather than freezing the lock screen.
constexpr int callTimeoutMs = 1000;

struct ShellWindow
{
    QString appId;
    QString wmClass;
    uint pid = 0;
    bool minimized = false;
    bool overrideRedirect = false;
};

const QDBusArgument& operator>>(const QDBusArgument& argument, ShellWindow& window)
{
    argument.beginStructure();
    argument >> window.appId >> window.wmClass >> window.pid >> window.minimized >> window.overrideRedirect;
    argument.endStructure();
    return argument;
}

WindowIdentity identityOf(const QString& appId, const QString& wmClass, uint pid, bool regular)
{
    return { .pid = qint64(pid),
             .declaredIds = { appId },
             .instance = wmClass,
             .className = wmClass,
             .regular = regular };
}

} // namespace

GnomeShellWorkspace::GnomeShellWorkspace(const QDBusConnection& bus)
    : m_bus(bus)
{
}

bool GnomeShellWorkspace::extensionAvailable()
{
    auto message
        = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(objectPath),
                                         u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
    message << QString::fromLatin1(interfaceName) << u"Version"_s;
    const QDBusReply<QVariant> reply = m_bus.call(message, QDBus::Block, callTimeoutMs);
    return reply.isValid() && reply.value().toUInt() >= 1;
}

std::optional<RunningApplication> GnomeShellWorkspace::frontmostApplication()
{
    const auto message
        = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(objectPath),
                                         QString::fromLatin1(interfaceName), u"GetFocus"_s);
    const auto reply = m_bus.call(message, QDBus::Block, callTimeoutMs);
    const auto values = reply.arguments();
    if (reply.type() != QDBusMessage::ReplyMessage || values.size() != 3) {
        return std::nullopt;
    }
    const auto appId = values[0].toString();
    const auto wmClass = values[1].toString();
    const auto pid = values[2].toUInt();
    if (pid == 0 && appId.isEmpty() && wmClass.isEmpty()) {
        return std::nullopt;
    }
    return describe(identityOf(appId, wmClass, pid, true));
}

QList<RunningApplication> GnomeShellWorkspace::runningApplications()
{
    const auto message
        = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(objectPath),
                                         QString::fromLatin1(interfaceName), u"ListWindows"_s);
    const auto reply = m_bus.call(message, QDBus::Block, callTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1) {
        return {};
    }
    const auto argument = reply.arguments().constFirst().value<QDBusArgument>();
    QList<ShellWindow> windows;
    argument >> windows;

    QList<RunningApplication> apps;
    QHash<uint, qsizetype> byProcess;
    for (const auto& window : std::as_const(windows)) {
        if (window.pid == 0) {
            continue; // a window whose client the compositor cannot name cannot be stopped either
        }
        if (const auto found = byProcess.constFind(window.pid); found != byProcess.cend()) {
            apps[*found].isRegular = apps[*found].isRegular || !window.overrideRedirect;
            apps[*found].hasUnmanagedWindows = apps[*found].hasUnmanagedWindows || window.overrideRedirect;
            continue;
        }
        auto app = describe(identityOf(window.appId, window.wmClass, window.pid, !window.overrideRedirect));
        app.hasUnmanagedWindows = window.overrideRedirect;
        byProcess.insert(window.pid, apps.size());
        apps.append(app);
    }
    return apps;
}

bool GnomeShellWorkspace::hide(const RunningApplication& application)
{
    if (application.processIdentifier <= 0) {
        return false;
    }
    auto message
        = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(objectPath),
                                         QString::fromLatin1(interfaceName), u"MinimizeProcess"_s);
    message << uint(application.processIdentifier);
    const QDBusReply<uint> reply = m_bus.call(message, QDBus::Block, callTimeoutMs);
    return reply.isValid() && reply.value() > 0;
}

void GnomeShellWorkspace::activate(const QList<quintptr>& ownWindows)
{
    // The shell's lock layer holds the input on GNOME; a client window cannot raise itself there.
    Q_UNUSED(ownWindows)
}

void GnomeShellWorkspace::watchWindows(std::function<void()> onChange)
{
    m_onChange = std::move(onChange);
    if (m_onChange && !m_watching) {
        m_watching = m_bus.connect(QString::fromLatin1(service), QString::fromLatin1(objectPath),
                                   QString::fromLatin1(interfaceName), u"WindowsChanged"_s, this,
                                   SLOT(onWindowsChanged()));
    }
}

void GnomeShellWorkspace::onWindowsChanged()
{
    if (m_onChange) {
        m_onChange();
    }
}

QString GnomeShellWorkspace::enforcementLimitation()
{
    if (!extensionAvailable()) {
        return u"GNOME on Wayland without the 岚哨 Shell extension: no application can be measured or "
               "hidden; controlled applications are stopped by process only."_s;
    }
    return {};
}

std::optional<EnforcementMode> GnomeShellWorkspace::enforcementMode()
{
    return extensionAvailable() ? EnforcementMode::gnomeExtension : EnforcementMode::processOnly;
}

bool GnomeShellWorkspace::desktopExtensionMissing()
{
    return !extensionAvailable();
}
