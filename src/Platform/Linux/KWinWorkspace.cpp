#include "Platform/Linux/KWinWorkspace.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

using namespace Qt::StringLiterals;

namespace {

// The sampler asks every few seconds on the main thread; a KWin that does not answer within this
// time is treated as showing nothing rather than freezing the lock screen.
constexpr int callTimeoutMs = 1000;
// A list of thousands of windows stays far below this.
constexpr qsizetype maxReport = 4 * 1024 * 1024;
constexpr auto reportInterface = "com.corvane.vantorel.KWinReport1";
// Fixed names: a script left behind by an earlier run of this application is replaced, not doubled.
const auto windowsScript = u"vantorel-windows"_s;
const auto hideScript = u"vantorel-hide"_s;
const auto lockScript = u"vantorel-lock"_s;

// KWin's scripting API, as Plasma 5 names it (clients) and Plasma 6 (windows). Every change that
// moves the focus or the window list sends the whole list: it is short, and a lost report is then
// repaired by the next.
constexpr auto windowsScriptSource = R"js((function () {
    const target = %1;
    const plasma6 = workspace.windowList !== undefined;
    function windows() {
        return plasma6 ? workspace.windowList() : workspace.clientList();
    }
    function describe(window) {
        const active = plasma6 ? workspace.activeWindow : workspace.activeClient;
        const frame = window.frameGeometry;
        return {
            pid: window.pid,
            desktopFileName: String(window.desktopFileName || ""),
            resourceClass: String(window.resourceClass || ""),
            resourceName: String(window.resourceName || ""),
            caption: String(window.caption || ""),
            x: frame.x, y: frame.y, width: frame.width, height: frame.height,
            active: active !== null && active !== undefined && window.internalId === active.internalId,
            keepAbove: window.keepAbove,
            fullScreen: window.fullScreen,
            minimized: window.minimized,
            normal: window.normalWindow
        };
    }
    function report() {
        callDBus(target, %2, %3, "Windows", JSON.stringify(windows().map(describe)));
    }
    function watch(window) {
        window.minimizedChanged.connect(report);
        window.keepAboveChanged.connect(report);
        window.fullScreenChanged.connect(report);
    }
    windows().forEach(watch);
    (plasma6 ? workspace.windowAdded : workspace.clientAdded).connect(function (window) {
        watch(window);
        report();
    });
    (plasma6 ? workspace.windowRemoved : workspace.clientRemoved).connect(report);
    (plasma6 ? workspace.windowActivated : workspace.clientActivated).connect(report);
    report();
})();
)js";

// Keeps the lock windows of one process (its pid, which a Wayland client cannot choose) above all
// others. Which of its windows are lock windows the process says when asked: by their titles,
// which a child's window may copy but not its pid. Everything happens inside KWin, so a window
// moved, shrunk or covered is put back at once.
constexpr auto lockScriptSource = R"js((function () {
    const target = %1;
    const path = %2;
    const iface = %3;
    const owner = %4;
    const plasma6 = workspace.windowList !== undefined;
    let titles = [];
    let dialogTitles = [];
    let raised = [];
    let busy = false;
    function windows() {
        return plasma6 ? workspace.windowList() : workspace.clientList();
    }
    function activeWindow() {
        return plasma6 ? workspace.activeWindow : workspace.activeClient;
    }
    function same(a, b) {
        return !!a && !!b && String(a.internalId) === String(b.internalId);
    }
    // KWin takes a Wayland window's pid from its connection; an X11 window (one with an X11 id)
    // names its pid itself, so it is never taken for ours.
    function ours(window) {
        return !!window && window.pid === owner && !window.windowId;
    }
    // KWin numbers a caption another window already has: "title <2>".
    function captionOf(window) {
        return String(window.caption).replace(/ <[0-9]+>$/, "");
    }
    function isLock(window) {
        return ours(window) && titles.indexOf(captionOf(window)) >= 0;
    }
    // The process's own dialog over the lock (the parent password).
    function isDialog(window) {
        return ours(window) && !isLock(window) && dialogTitles.indexOf(captionOf(window)) >= 0;
    }
    function contains(list, window) {
        return list.some(function (other) {
            return same(other, window);
        });
    }
    function screenAreas() {
        if (plasma6) {
            return workspace.screens.map(function (output) {
                return workspace.clientArea(KWin.FullScreenArea, output, workspace.currentDesktop);
            });
        }
        const areas = [];
        for (let screen = 0; screen < workspace.numScreens; ++screen) {
            areas.push(workspace.clientArea(KWin.FullScreenArea, screen, workspace.currentDesktop));
        }
        return areas;
    }
    function centredIn(area, frame) {
        const x = frame.x + frame.width / 2;
        const y = frame.y + frame.height / 2;
        return x >= area.x && x < area.x + area.width && y >= area.y && y < area.y + area.height;
    }
    function hold(reclaim) {
        if (busy) {
            return;
        }
        busy = true;
        try {
            const locks = windows().filter(isLock);
            const areas = screenAreas();
            locks.forEach(function (window, index) {
                const area = areas.length > 0 ? areas[Math.min(index, areas.length - 1)] : null;
                if (window.minimized) window.minimized = false;
                if (!window.onAllDesktops) window.onAllDesktops = true;
                if (!window.skipTaskbar) window.skipTaskbar = true;
                if (!window.skipSwitcher) window.skipSwitcher = true;
                if (!window.skipPager) window.skipPager = true;
                if (!window.keepAbove) window.keepAbove = true;
                // Full screen covers the output the window is on: one window per output.
                if (area && !centredIn(area, window.frameGeometry)) {
                    window.fullScreen = false;
                    window.frameGeometry = area;
                }
                if (!window.fullScreen) window.fullScreen = true;
            });
            const dialogs = locks.length > 0 ? windows().filter(isDialog) : [];
            raised = raised.filter(function (window) {
                if (contains(dialogs, window)) {
                    return true;
                }
                window.keepAbove = false;
                return false;
            });
            dialogs.forEach(function (window) {
                if (!window.keepAbove) {
                    window.keepAbove = true;
                    raised.push(window);
                }
            });
            // The dialog has the keyboard, or else a lock window: an active full-screen window is
            // stacked above every other.
            const keyboard = dialogs.length > 0 ? dialogs : locks;
            if (keyboard.length > 0 && !contains(keyboard, activeWindow())) {
                if (reclaim) {
                    if (plasma6) {
                        workspace.activeWindow = keyboard[0];
                    } else {
                        workspace.activeClient = keyboard[0];
                    }
                } else {
                    // KWin ignores an activation asked while it is still activating: once the
                    // answer comes back.
                    ask();
                }
            }
        } finally {
            busy = false;
        }
    }
    function update() {
        hold(false);
    }
    function ask() {
        callDBus(target, path, iface, "LockTitles", function (lock) {
            callDBus(target, path, iface, "DialogTitles", function (dialog) {
                titles = lock ? Array.prototype.map.call(lock, String) : [];
                dialogTitles = dialog ? Array.prototype.map.call(dialog, String) : [];
                hold(true);
            });
        });
    }
    function watch(window) {
        if (!ours(window)) {
            return;
        }
        window.captionChanged.connect(ask);
        window.fullScreenChanged.connect(update);
        window.keepAboveChanged.connect(update);
        window.minimizedChanged.connect(update);
        window.frameGeometryChanged.connect(update);
        (plasma6 ? window.desktopsChanged : window.desktopChanged).connect(update);
    }
    windows().forEach(watch);
    (plasma6 ? workspace.windowAdded : workspace.clientAdded).connect(function (window) {
        watch(window);
        if (ours(window)) {
            ask();
        }
    });
    (plasma6 ? workspace.windowRemoved : workspace.clientRemoved).connect(function (window) {
        raised = raised.filter(function (other) {
            return !same(other, window);
        });
        if (ours(window)) {
            ask();
        }
    });
    (plasma6 ? workspace.windowActivated : workspace.clientActivated).connect(update);
    if (plasma6) {
        workspace.screensChanged.connect(update);
    } else {
        workspace.numberScreensChanged.connect(update);
        workspace.screenResized.connect(update);
    }
    workspace.virtualScreenGeometryChanged.connect(update);
    ask();
})();
)js";

constexpr auto hideScriptSource = R"js((function () {
    const pids = %2;
    const windows = workspace.windowList !== undefined ? workspace.windowList() : workspace.clientList();
    windows.forEach(function (window) {
        if (pids.indexOf(window.pid) >= 0 && window.normalWindow) {
            window.minimized = true;
        }
    });
    callDBus(%1, %3, %4, "Hidden");
})();
)js";

QString jsString(const QString& text)
{
    // A JSON string is a JavaScript string literal.
    return QString::fromUtf8(
        QJsonDocument(QJsonArray { text }).toJson(QJsonDocument::Compact).chopped(1).mid(1));
}

WindowIdentity identityOf(const KWinWorkspace::Window& window)
{
    WindowIdentity identity { .pid = window.pid,
                              .instance = window.resourceName,
                              .className = window.resourceClass,
                              .regular = window.normal };
    // KWin names a Wayland window's desktop file after its app id, whether or not such an entry
    // exists; the window class lookup then finds the entry by its name or by StartupWMClass. A
    // different name is one the window declared itself (KDE's and GTK's X11 properties).
    if (!window.desktopFileName.isEmpty() && window.desktopFileName != window.resourceClass) {
        identity.declaredIds = { window.desktopFileName };
    }
    return identity;
}

// The object the scripts call. Any program of the session can reach it; only KWin is believed.
class ReportReceiver final : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.corvane.vantorel.KWinReport1")

public:
    explicit ReportReceiver(KWinWorkspace& workspace)
        : QObject(&workspace)
        , m_workspace(workspace)
    {
    }

public Q_SLOTS:
    void Windows(const QString& json) { m_workspace.acceptReport(message().service(), json); }
    void Hidden() { m_workspace.acceptHidden(message().service()); }
    QStringList LockTitles() { return m_workspace.lockTitles(); }
    QStringList DialogTitles() { return m_workspace.dialogTitles(); }

private:
    KWinWorkspace& m_workspace;
};

} // namespace

KWinWorkspace::KWinWorkspace(const QDBusConnection& bus)
    : m_bus(bus)
{
    if (!m_bus.isConnected() || !m_scripts.isValid()) {
        return;
    }
    m_receiver = new ReportReceiver(*this);
    if (!m_bus.registerObject(QString::fromLatin1(reportPath), m_receiver, QDBusConnection::ExportAllSlots)) {
        qWarning("Cannot export the KWin report object on the session bus");
        delete m_receiver;
        m_receiver = nullptr;
        return;
    }
    // KWin restarted (a crash, a settings change) forgets its scripts: load ours again.
    m_kwinWatcher = new QDBusServiceWatcher(QString::fromLatin1(service), m_bus,
                                            QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_kwinWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                m_kwinOwner = newOwner;
                m_scriptLoaded = false;
                m_hideLoaded = false;
                m_lockLoaded = false;
                m_windows.clear();
                if (!newOwner.isEmpty()) {
                    start();
                    if (!m_lockTitles.isEmpty()) {
                        startLock();
                    }
                }
                if (m_onChange) {
                    m_onChange();
                }
            });
    if (const auto owner = m_bus.interface()->serviceOwner(QString::fromLatin1(service)); owner.isValid()) {
        m_kwinOwner = owner.value();
    }
    start();
}

KWinWorkspace::~KWinWorkspace()
{
    if (!QCoreApplication::instance()) {
        // Destroyed with the process's statics, after the bus: KWin replaces the scripts left
        // behind at the next start.
        return;
    }
    if (m_scriptLoaded) {
        unloadScript(windowsScript);
    }
    if (m_hideLoaded) {
        unloadScript(hideScript);
    }
    if (m_lockLoaded) {
        unloadScript(lockScript);
    }
    if (m_receiver) {
        m_bus.unregisterObject(QString::fromLatin1(reportPath));
    }
}

void KWinWorkspace::start()
{
    const auto source = QString::fromLatin1(windowsScriptSource)
                            .arg(jsString(m_bus.baseService()), jsString(QString::fromLatin1(reportPath)),
                                 jsString(QString::fromLatin1(reportInterface)));
    m_scriptLoaded = loadScript(windowsScript, source);
    if (!m_scriptLoaded) {
        qWarning("KWin did not load the window script");
    }
}

void KWinWorkspace::startLock()
{
    const auto source = QString::fromLatin1(lockScriptSource)
                            .arg(jsString(m_bus.baseService()), jsString(QString::fromLatin1(reportPath)),
                                 jsString(QString::fromLatin1(reportInterface)))
                            .arg(QCoreApplication::applicationPid());
    m_lockLoaded = loadScript(lockScript, source);
    if (!m_lockLoaded) {
        qWarning("KWin did not load the lock script");
    }
}

bool KWinWorkspace::loadScript(const QString& pluginName, const QString& source)
{
    const auto path = m_scripts.filePath(pluginName + u".js"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(source.toUtf8()) < 0) {
        return false;
    }
    file.close();
    unloadScript(pluginName);
    auto load = QDBusMessage::createMethodCall(QString::fromLatin1(service), u"/Scripting"_s,
                                               u"org.kde.kwin.Scripting"_s, u"loadScript"_s);
    load << path << pluginName;
    const QDBusReply<int> id = m_bus.call(load, QDBus::Block, callTimeoutMs);
    if (!id.isValid() || id.value() < 0) {
        return false;
    }
    // Runs every script loaded and not yet running.
    const auto run = QDBusMessage::createMethodCall(QString::fromLatin1(service), u"/Scripting"_s,
                                                    u"org.kde.kwin.Scripting"_s, u"start"_s);
    return m_bus.call(run, QDBus::Block, callTimeoutMs).type() == QDBusMessage::ReplyMessage;
}

void KWinWorkspace::unloadScript(const QString& pluginName)
{
    auto unload = QDBusMessage::createMethodCall(QString::fromLatin1(service), u"/Scripting"_s,
                                                 u"org.kde.kwin.Scripting"_s, u"unloadScript"_s);
    unload << pluginName;
    m_bus.call(unload, QDBus::Block, callTimeoutMs);
}

bool KWinWorkspace::fromKWin(const QString& reporter) const
{
    return !reporter.isEmpty() && reporter == m_kwinOwner;
}

void KWinWorkspace::acceptReport(const QString& reporter, const QString& json)
{
    if (json.size() > maxReport || !fromKWin(reporter)) {
        return;
    }
    const auto document = QJsonDocument::fromJson(json.toUtf8());
    if (!document.isArray()) {
        qWarning("KWin's window script sent a malformed report");
        return;
    }
    QList<Window> windows;
    for (const auto& value : document.array()) {
        const auto object = value.toObject();
        windows.append(
            { .pid = object.value(u"pid"_s).toInteger(),
              .desktopFileName = object.value(u"desktopFileName"_s).toString(),
              .resourceClass = object.value(u"resourceClass"_s).toString(),
              .resourceName = object.value(u"resourceName"_s).toString(),
              .caption = object.value(u"caption"_s).toString(),
              .geometry = QRectF(object.value(u"x"_s).toDouble(), object.value(u"y"_s).toDouble(),
                                 object.value(u"width"_s).toDouble(), object.value(u"height"_s).toDouble())
                              .toRect(),
              .active = object.value(u"active"_s).toBool(),
              .keepAbove = object.value(u"keepAbove"_s).toBool(),
              .fullScreen = object.value(u"fullScreen"_s).toBool(),
              .minimized = object.value(u"minimized"_s).toBool(),
              .normal = object.value(u"normal"_s).toBool(true) });
    }
    m_windows = std::move(windows);
    if (m_onChange) {
        m_onChange();
    }
}

void KWinWorkspace::acceptHidden(const QString& reporter)
{
    if (m_hideLoaded && fromKWin(reporter)) {
        unloadScript(hideScript);
        m_hideLoaded = false;
    }
}

std::optional<RunningApplication> KWinWorkspace::frontmostApplication()
{
    for (const auto& window : std::as_const(m_windows)) {
        if (window.active && !window.minimized) {
            return describe(identityOf(window));
        }
    }
    return std::nullopt;
}

QList<RunningApplication> KWinWorkspace::runningApplications()
{
    QList<RunningApplication> apps;
    QHash<qint64, qsizetype> byPid;
    for (const auto& window : std::as_const(m_windows)) {
        if (window.pid <= 0) {
            continue;
        }
        if (const auto found = byPid.constFind(window.pid); found != byPid.cend()) {
            // One application per process, regular when any of its windows is.
            apps[*found].isRegular |= window.normal;
            continue;
        }
        byPid.insert(window.pid, apps.size());
        apps.append(describe(identityOf(window)));
    }
    return apps;
}

bool KWinWorkspace::hide(const RunningApplication& application)
{
    if (application.processIdentifier == QCoreApplication::applicationPid() || !m_scriptLoaded) {
        return false;
    }
    QSet<qint64> pids;
    for (const auto& window : std::as_const(m_windows)) {
        if (window.minimized || !window.normal || window.pid <= 0
            || window.pid == QCoreApplication::applicationPid()) {
            continue;
        }
        const bool match = application.processIdentifier > 0 ? window.pid == application.processIdentifier
                                                             : application.bundleIdentifier
                && describe(identityOf(window)).bundleIdentifier == application.bundleIdentifier;
        if (match) {
            pids.insert(window.pid);
        }
    }
    if (pids.isEmpty()) {
        return false;
    }
    QJsonArray pidList;
    for (const auto pid : std::as_const(pids)) {
        pidList.append(pid);
    }
    const auto source
        = QString::fromLatin1(hideScriptSource)
              .arg(jsString(m_bus.baseService()),
                   QString::fromUtf8(QJsonDocument(pidList).toJson(QJsonDocument::Compact)),
                   jsString(QString::fromLatin1(reportPath)), jsString(QString::fromLatin1(reportInterface)));
    m_hideLoaded = loadScript(hideScript, source);
    return m_hideLoaded;
}

void KWinWorkspace::activate(const QList<quintptr>& ownWindows)
{
    // A Wayland client cannot raise itself; the compositor decides what is in front, and the lock
    // script gives the lock windows the keyboard.
    Q_UNUSED(ownWindows)
}

QStringList KWinWorkspace::dialogTitles() const
{
    // A dialog shown over the lock is modal: what the lock asks for (the parent password, a
    // question) must be answered before anything else.
    auto* dialog = QGuiApplication::modalWindow();
    if (m_lockTitles.isEmpty() || !dialog || !dialog->isVisible() || m_lockTitles.contains(dialog->title())) {
        return {};
    }
    return { dialog->title() };
}

void KWinWorkspace::holdLockWindows(const QList<quintptr>& lockWindows)
{
    QStringList titles;
    for (auto* window : QGuiApplication::allWindows()) {
        if (window->handle() && lockWindows.contains(quintptr(window->winId())) && !window->title().isEmpty()
            && !titles.contains(window->title())) {
            titles.append(window->title());
        }
    }
    // The script asks for the titles when one of this process's windows appears or goes, which
    // showing and hiding the lock windows does.
    m_lockTitles = titles;
    if (!m_lockTitles.isEmpty() && !m_lockLoaded && m_receiver && !m_kwinOwner.isEmpty()) {
        startLock();
    }
}

void KWinWorkspace::watchWindows(std::function<void()> onChange)
{
    m_onChange = std::move(onChange);
}

std::optional<EnforcementMode> KWinWorkspace::enforcementMode()
{
    return m_scriptLoaded ? EnforcementMode::kwin : EnforcementMode::processOnly;
}

QString KWinWorkspace::enforcementLimitation()
{
    if (!m_scriptLoaded) {
        return u"KWin did not load this application's window script (KWin not answering on the session bus, "
               "or scripting switched off): no application can be measured or hidden; controlled "
               "applications are stopped by process only."_s;
    }
    if (QGuiApplication::platformName() != u"wayland"_s) {
        // Through XWayland the lock windows bypass KWin, and an X11 window's pid is only its own
        // claim, which the lock script does not believe.
        return u"KDE Plasma on Wayland without Qt's Wayland platform plugin (package qt6-wayland): the lock "
               "is this application's own XWayland windows, which KWin may let other windows cover."_s;
    }
    return {};
}

#include "KWinWorkspace.moc"
