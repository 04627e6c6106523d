#include "Platform/Linux/GnomeShellWorkspace.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

// The sampler asks every 3 seconds on the main thread; a shell that does not answer within this
// time is treated as showing nothing rather than freezing the lock screen.
constexpr int callTimeoutMs = 1000;
// The extension can be switched off without the shell leaving the bus. The sampler's questions
// keep the answer fresh; without them (nothing selected) it is asked anew after this long.
constexpr qint64 answerLifetimeMs = 10'000;

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

// The object the lock layer's buttons call. Only the shell may press them: any program of the
// child's session can reach this object, and none but the shell should guess passwords or ask
// the parent in the child's name.
class LockClient final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.corvane.vantorel.LockClient1")

public:
    LockClient(GnomeShellWorkspace& workspace, QDBusConnection bus)
        : QObject(&workspace)
        , m_workspace(workspace)
        , m_bus(std::move(bus))
    {
    }

public Q_SLOTS:
    bool TryParentPassword(const QString& password)
    {
        return fromShell() && m_workspace.tryParentPassword(password);
    }

    void RequestUnlock()
    {
        if (fromShell()) {
            m_workspace.requestUnlock();
        }
    }

private:
    bool fromShell()
    {
        const auto shell = m_bus.interface()->serviceOwner(QString::fromLatin1(GnomeShellWorkspace::service));
        if (shell.isValid() && shell.value() == message().service()) {
            return true;
        }
        sendErrorReply(QDBusError::AccessDenied, u"Only GNOME Shell may answer the lock."_s);
        return false;
    }

    GnomeShellWorkspace& m_workspace;
    QDBusConnection m_bus;
};

} // namespace

GnomeShellWorkspace::GnomeShellWorkspace(const QDBusConnection& bus)
    : m_bus(bus)
{
    qDBusRegisterMetaType<Texts>();
    // A shell that restarts, or another that takes the name, may come with or without the
    // extension, and without the lock this one showed.
    m_shellWatcher = new QDBusServiceWatcher(QString::fromLatin1(service), m_bus,
                                             QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_shellWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString& oldOwner, const QString&) {
                m_extensionAnswers.reset();
                // Only a shell that leaves takes its layer along; one arriving brings none.
                if (!oldOwner.isEmpty()) {
                    lost();
                }
            });
}

GnomeShellWorkspace::~GnomeShellWorkspace()
{
    if (m_lockClient) {
        m_bus.unregisterObject(QString::fromLatin1(lockClientPath));
    }
}

bool GnomeShellWorkspace::extensionAvailable()
{
    if (!m_extensionAnswers || m_answeredAt.hasExpired(answerLifetimeMs)) {
        auto message
            = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(objectPath),
                                             u"org.freedesktop.DBus.Properties"_s, u"Get"_s);
        message << QString::fromLatin1(interfaceName) << u"Version"_s;
        const QDBusReply<QVariant> reply = m_bus.call(message, QDBus::Block, callTimeoutMs);
        m_extensionAnswers = reply.isValid() && reply.value().toUInt() >= 1;
        m_answeredAt.start();
    }
    return *m_extensionAnswers;
}

void GnomeShellWorkspace::noteAnswer(const QDBusMessage& reply)
{
    m_answeredAt.start();
    if (reply.type() == QDBusMessage::ReplyMessage) {
        m_extensionAnswers = true;
        return;
    }
    // A busy shell is still a shell with the extension; only a refusal says it is gone (switched
    // off, or never installed).
    const auto error = reply.errorName();
    if (error != QDBusError::errorString(QDBusError::NoReply)
        && error != QDBusError::errorString(QDBusError::Timeout)) {
        m_extensionAnswers = false;
    }
}

std::optional<RunningApplication> GnomeShellWorkspace::frontmostApplication()
{
    const auto message
        = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(objectPath),
                                         QString::fromLatin1(interfaceName), u"GetFocus"_s);
    const auto reply = m_bus.call(message, QDBus::Block, callTimeoutMs);
    noteAnswer(reply);
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

bool GnomeShellWorkspace::showLock(const Texts& texts)
{
    // The lock is shown again at every tick of the lock screen. A layer that is up, holds the
    // input and shows these texts stays so on its own, and the shell says when it goes away
    // (lost()); asking again would only block this thread on the shell once a second.
    if (m_lockShown && m_holdsInput && texts == m_shownTexts) {
        return true;
    }
    if (!m_lockClient) {
        // Exported at the first lock rather than at start: a session never locked exports nothing.
        auto* client = new LockClient(*this, m_bus);
        if (!m_bus.registerObject(QString::fromLatin1(lockClientPath), client,
                                  QDBusConnection::ExportAllSlots)) {
            delete client;
            return false;
        }
        m_lockClient = client;
        m_bus.connect(QString::fromLatin1(service), QString::fromLatin1(objectPath),
                      u"org.freedesktop.DBus.Properties"_s, u"PropertiesChanged"_s, this,
                      SLOT(onShieldPropertiesChanged(QString, QVariantMap, QStringList)));
    }
    auto message
        = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(objectPath),
                                         QString::fromLatin1(interfaceName), u"ShowLock"_s);
    message << QVariant::fromValue(texts);
    const QDBusReply<bool> reply = m_bus.call(message, QDBus::Block, callTimeoutMs);
    m_lockShown = reply.isValid();
    m_holdsInput = m_lockShown && reply.value();
    m_shownTexts = m_lockShown ? texts : Texts();
    return m_lockShown;
}

void GnomeShellWorkspace::hideLock()
{
    m_lockShown = false;
    m_holdsInput = false;
    const auto message
        = QDBusMessage::createMethodCall(QString::fromLatin1(service), QString::fromLatin1(objectPath),
                                         QString::fromLatin1(interfaceName), u"HideLock"_s);
    m_bus.call(message, QDBus::Block, callTimeoutMs);
}

bool GnomeShellWorkspace::tryParentPassword(const QString& password)
{
    return m_client.tryParentPassword && m_client.tryParentPassword(password);
}

void GnomeShellWorkspace::requestUnlock()
{
    if (m_client.requestUnlock) {
        m_client.requestUnlock();
    }
}

void GnomeShellWorkspace::onShieldPropertiesChanged(const QString& interfaceName, const QVariantMap& changed,
                                                    const QStringList& invalidated)
{
    Q_UNUSED(invalidated)
    if (interfaceName == QLatin1StringView(GnomeShellWorkspace::interfaceName)
        && changed.contains(u"LockShown"_s) && !changed.value(u"LockShown"_s).toBool()) {
        lost();
    }
}

void GnomeShellWorkspace::lost()
{
    // Our own HideLock clears the flag before the shell answers, so only a loss gets here with it set.
    if (m_lockShown) {
        m_lockShown = false;
        m_holdsInput = false;
        if (m_onLost) {
            m_onLost();
        }
    }
}

#include "GnomeShellWorkspace.moc"
