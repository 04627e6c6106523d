#include "Platform/Linux/WlrootsWorkspace.h"

#include "Platform/Linux/WaylandEvents.h"
#include "Platform/Linux/WlrootsLockLayer.h"
#include "wayland/wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QSet>
#include <QSocketNotifier>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <poll.h>
#include <wayland-client.h>

using namespace Qt::StringLiterals;

namespace {

// The sampler asks every few seconds on the main thread: a compositor that does not answer
// within this time is treated as showing nothing rather than freezing the lock screen.
constexpr int ipcTimeoutMs = 1000;
// A tree of thousands of windows stays far below this; anything larger is not Sway speaking.
constexpr quint32 maxIpcReply = 16 * 1024 * 1024;
constexpr quint32 ipcRunCommand = 0;
constexpr quint32 ipcGetTree = 4;
constexpr quint32 ipcGetVersion = 7;

// One window as Sway's tree shows it.
struct SwayView
{
    qint64 pid = 0;
    QString appId; // native Wayland windows
    QString instance; // XWayland windows: WM_CLASS
    QString className;
    bool focused = false;
    bool hidden = false; // in the scratchpad and not shown
};

// Sway's IPC: "i3-ipc", payload length and message type in the host's byte order, then the
// payload; the reply has the same frame.
std::optional<QByteArray> swayCall(const QString& socketPath, quint32 type, const QByteArray& payload)
{
    if (socketPath.isEmpty()) {
        return std::nullopt;
    }
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    if (!socket.waitForConnected(ipcTimeoutMs)) {
        return std::nullopt;
    }
    QByteArray frame("i3-ipc");
    const quint32 header[2] = { quint32(payload.size()), type };
    frame.append(reinterpret_cast<const char*>(header), sizeof header);
    frame.append(payload);
    socket.write(frame);
    const QDeadlineTimer deadline(ipcTimeoutMs);
    const auto readExactly = [&](qint64 size) -> std::optional<QByteArray> {
        while (socket.bytesAvailable() < size) {
            if (deadline.hasExpired() || !socket.waitForReadyRead(int(deadline.remainingTime()))) {
                return std::nullopt;
            }
        }
        return socket.read(size);
    };
    const auto head = readExactly(14);
    if (!head || !head->startsWith("i3-ipc")) {
        return std::nullopt;
    }
    quint32 replyHeader[2];
    std::memcpy(replyHeader, head->constData() + 6, sizeof replyHeader);
    if (replyHeader[0] > maxIpcReply || replyHeader[1] != type) {
        return std::nullopt;
    }
    return readExactly(replyHeader[0]);
}

void collectViews(const QJsonObject& node, bool inScratchpad, QList<SwayView>& views)
{
    inScratchpad = inScratchpad
        || (node.value(u"type"_s) == u"workspace"_s && node.value(u"name"_s) == u"__i3_scratch"_s);
    if (const auto pid = node.value(u"pid"_s).toInteger(); pid > 0) {
        const auto properties = node.value(u"window_properties"_s).toObject();
        views.append({ .pid = pid,
                       .appId = node.value(u"app_id"_s).toString(),
                       .instance = properties.value(u"instance"_s).toString(),
                       .className = properties.value(u"class"_s).toString(),
                       .focused = node.value(u"focused"_s).toBool(),
                       .hidden = inScratchpad && !node.value(u"visible"_s).toBool() });
    }
    for (const auto* key : { "nodes", "floating_nodes" }) {
        const auto children = node.value(QLatin1StringView(key)).toArray();
        for (const auto& child : children) {
            collectViews(child.toObject(), inScratchpad, views);
        }
    }
}

std::optional<QList<SwayView>> swayViews(const QString& socketPath)
{
    const auto reply = swayCall(socketPath, ipcGetTree, {});
    if (!reply) {
        return std::nullopt;
    }
    const auto tree = QJsonDocument::fromJson(*reply);
    if (!tree.isObject()) {
        return std::nullopt;
    }
    QList<SwayView> views;
    collectViews(tree.object(), false, views);
    return views;
}

WindowIdentity identityOf(const SwayView& view)
{
    // A Wayland toplevel's app id stands in for both parts of WM_CLASS.
    if (view.appId.isEmpty()) {
        return { .pid = view.pid, .instance = view.instance, .className = view.className };
    }
    return { .pid = view.pid, .instance = view.appId, .className = view.appId };
}

} // namespace

struct WlrootsWorkspace::Private
{
    struct Toplevel
    {
        Private* owner = nullptr;
        zwlr_foreign_toplevel_handle_v1* handle = nullptr;
        QString title;
        QString appId;
        bool activated = false;
        bool minimized = false;
    };

    WlrootsWorkspace* q = nullptr;
    QString displayName;
    std::unique_ptr<WlrootsLockLayer> lock;
    QString swaySocket;
    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    zwlr_foreign_toplevel_manager_v1* manager = nullptr;
    std::vector<std::unique_ptr<Toplevel>> toplevels;
    QSocketNotifier* notifier = nullptr;
    std::function<void()> onChange;
    bool changed = false;
    // Whether Sway answered the last question put to it; unknown before the first.
    std::optional<bool> swayAnswers;

    std::optional<QList<SwayView>> views()
    {
        auto result = swayViews(swaySocket);
        swayAnswers = result.has_value();
        return result;
    }
    // Asked of the sampler every few seconds, right after it read the tree: answered from that.
    bool swayAnswering()
    {
        if (!swayAnswers) {
            swayAnswers = swayCall(swaySocket, ipcGetVersion, {}).has_value();
        }
        return *swayAnswers;
    }

    void connect(const QString& name);
    void disconnect();
    // Reads and handles whatever the compositor has sent, without waiting for more.
    void pump();
    void notify();
    WindowIdentity identityOf(const Toplevel& toplevel) const
    {
        return { .instance = toplevel.appId, .className = toplevel.appId };
    }

    static const wl_registry_listener registryListener;
    static const zwlr_foreign_toplevel_manager_v1_listener managerListener;
    static const zwlr_foreign_toplevel_handle_v1_listener toplevelListener;
};

const wl_registry_listener WlrootsWorkspace::Private::registryListener = {
    .global =
        [](void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
            auto* self = static_cast<Private*>(data);
            if (std::strcmp(interface, zwlr_foreign_toplevel_manager_v1_interface.name) == 0
                && !self->manager) {
                self->manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(wl_registry_bind(
                    registry, name, &zwlr_foreign_toplevel_manager_v1_interface, std::min(version, 3u)));
                zwlr_foreign_toplevel_manager_v1_add_listener(self->manager, &managerListener, self);
            }
        },
    .global_remove = [](void*, wl_registry*, uint32_t) {},
};

const zwlr_foreign_toplevel_manager_v1_listener WlrootsWorkspace::Private::managerListener = {
    .toplevel =
        [](void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
            auto* self = static_cast<Private*>(data);
            auto toplevel = std::make_unique<Toplevel>();
            toplevel->owner = self;
            toplevel->handle = handle;
            zwlr_foreign_toplevel_handle_v1_add_listener(handle, &toplevelListener, toplevel.get());
            self->toplevels.push_back(std::move(toplevel));
        },
    .finished =
        [](void* data, zwlr_foreign_toplevel_manager_v1* manager) {
            auto* self = static_cast<Private*>(data);
            zwlr_foreign_toplevel_manager_v1_destroy(manager);
            self->manager = nullptr;
        },
};

const zwlr_foreign_toplevel_handle_v1_listener WlrootsWorkspace::Private::toplevelListener = {
    .title = [](void* data, zwlr_foreign_toplevel_handle_v1*,
                const char* title) { static_cast<Toplevel*>(data)->title = QString::fromUtf8(title); },
    .app_id = [](void* data, zwlr_foreign_toplevel_handle_v1*,
                 const char* appId) { static_cast<Toplevel*>(data)->appId = QString::fromUtf8(appId); },
    .output_enter = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
    .output_leave = [](void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {},
    .state =
        [](void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
            auto* toplevel = static_cast<Toplevel*>(data);
            toplevel->activated = false;
            toplevel->minimized = false;
            const auto* state = static_cast<const uint32_t*>(states->data);
            for (size_t i = 0; i < states->size / sizeof(uint32_t); ++i) {
                toplevel->activated |= state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED;
                toplevel->minimized |= state[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED;
            }
        },
    .done = [](void* data,
               zwlr_foreign_toplevel_handle_v1*) { static_cast<Toplevel*>(data)->owner->changed = true; },
    .closed =
        [](void* data, zwlr_foreign_toplevel_handle_v1* handle) {
            auto* self = static_cast<Toplevel*>(data)->owner;
            zwlr_foreign_toplevel_handle_v1_destroy(handle);
            std::erase_if(self->toplevels, [data](const auto& toplevel) { return toplevel.get() == data; });
            self->changed = true;
        },
    .parent = [](void*, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1*) {},
};

void WlrootsWorkspace::Private::connect(const QString& name)
{
    displayName = name;
    display = wl_display_connect(name.isEmpty() ? nullptr : name.toLocal8Bit().constData());
    if (!display) {
        return;
    }
    registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registryListener, this);
    // The first round trip announces the globals; the second, the windows already open.
    wl_display_roundtrip(display);
    wl_display_roundtrip(display);
    if (!manager) {
        disconnect();
        return;
    }
    notifier = new QSocketNotifier(wl_display_get_fd(display), QSocketNotifier::Read, q);
    QObject::connect(notifier, &QSocketNotifier::activated, q, [this] {
        pump();
        notify();
    });
}

void WlrootsWorkspace::Private::disconnect()
{
    if (notifier) {
        // Possibly from within the notifier's own signal.
        notifier->setEnabled(false);
        notifier->deleteLater();
        notifier = nullptr;
    }
    for (const auto& toplevel : toplevels) {
        zwlr_foreign_toplevel_handle_v1_destroy(toplevel->handle);
    }
    toplevels.clear();
    if (manager) {
        zwlr_foreign_toplevel_manager_v1_destroy(manager);
        manager = nullptr;
    }
    if (registry) {
        wl_registry_destroy(registry);
        registry = nullptr;
    }
    if (display) {
        wl_display_disconnect(display);
        display = nullptr;
    }
}

void WlrootsWorkspace::Private::pump()
{
    if (!display) {
        return;
    }
    if (!pumpWaylandEvents(display)) {
        // The compositor went away or closed the connection: nothing more will be heard from it.
        qWarning("The Wayland compositor closed the window list connection");
        disconnect();
        changed = true;
    }
}

void WlrootsWorkspace::Private::notify()
{
    if (changed && onChange) {
        changed = false;
        onChange();
    }
}

WlrootsWorkspace::WlrootsWorkspace()
    : WlrootsWorkspace(QString(), qEnvironmentVariable("SWAYSOCK"))
{
}

WlrootsWorkspace::WlrootsWorkspace(const QString& display, const QString& swaySocket)
    : d(std::make_unique<Private>())
{
    d->q = this;
    d->swaySocket = swaySocket;
    d->connect(display);
}

WlrootsWorkspace::~WlrootsWorkspace()
{
    d->disconnect();
}

bool WlrootsWorkspace::toplevelsAvailable() const
{
    return d->manager != nullptr;
}

std::optional<RunningApplication> WlrootsWorkspace::frontmostApplication()
{
    // Sway's tree names the focused window's process, which the toplevel list cannot.
    if (const auto views = d->views()) {
        const auto focused
            = std::find_if(views->cbegin(), views->cend(), [](const auto& view) { return view.focused; });
        if (focused == views->cend()) {
            return std::nullopt;
        }
        return describe(identityOf(*focused));
    }
    d->pump();
    for (const auto& toplevel : d->toplevels) {
        if (toplevel->activated && !toplevel->appId.isEmpty()) {
            return describe(d->identityOf(*toplevel));
        }
    }
    return std::nullopt;
}

QList<RunningApplication> WlrootsWorkspace::runningApplications()
{
    QList<RunningApplication> apps;
    if (const auto views = d->views()) {
        QSet<qint64> seen;
        for (const auto& view : *views) {
            if (!seen.contains(view.pid)) {
                seen.insert(view.pid);
                apps.append(describe(identityOf(view)));
            }
        }
        return apps;
    }
    // Without processes, one application per app id.
    d->pump();
    QSet<QString> seen;
    for (const auto& toplevel : d->toplevels) {
        if (!toplevel->appId.isEmpty() && !seen.contains(toplevel->appId)) {
            seen.insert(toplevel->appId);
            apps.append(describe(d->identityOf(*toplevel)));
        }
    }
    return apps;
}

bool WlrootsWorkspace::hide(const RunningApplication& application)
{
    if (application.processIdentifier == QCoreApplication::applicationPid()) {
        return false;
    }
    if (application.processIdentifier > 0) {
        if (const auto views = d->views()) {
            const bool shown = std::any_of(views->cbegin(), views->cend(), [&application](const auto& view) {
                return view.pid == application.processIdentifier && !view.hidden;
            });
            if (!shown) {
                return false;
            }
            // Sway 1.7 ignores the toplevel protocol's minimise request and has no minimised state
            // at all; its scratchpad is the nearest thing: the windows leave every workspace and
            // come back only when asked for.
            const auto command = u"[pid=%1] move scratchpad"_s.arg(application.processIdentifier).toUtf8();
            const auto reply = swayCall(d->swaySocket, ipcRunCommand, command);
            const auto results = reply ? QJsonDocument::fromJson(*reply).array() : QJsonArray();
            return !results.isEmpty() && results.at(0).toObject().value(u"success"_s).toBool();
        }
    }
    if (!application.bundleIdentifier) {
        return false;
    }
    d->pump();
    bool requested = false;
    for (const auto& toplevel : d->toplevels) {
        if (!toplevel->minimized && !toplevel->appId.isEmpty()
            && describe(d->identityOf(*toplevel)).bundleIdentifier == application.bundleIdentifier) {
            zwlr_foreign_toplevel_handle_v1_set_minimized(toplevel->handle);
            requested = true;
        }
    }
    if (requested) {
        wl_display_flush(d->display);
    }
    return requested;
}

void WlrootsWorkspace::activate(const QList<quintptr>& ownWindows)
{
    // A Wayland client cannot raise itself; the compositor decides what is in front.
    Q_UNUSED(ownWindows)
}

void WlrootsWorkspace::watchWindows(std::function<void()> onChange)
{
    d->onChange = std::move(onChange);
}

ShellLockLayer* WlrootsWorkspace::lockLayer()
{
    if (!d->lock) {
        d->lock = std::make_unique<WlrootsLockLayer>(d->displayName);
    }
    return d->lock->available() ? d->lock.get() : nullptr;
}

std::optional<EnforcementMode> WlrootsWorkspace::enforcementMode()
{
    if (toplevelsAvailable() || d->swayAnswering()) {
        return EnforcementMode::wlroots;
    }
    return EnforcementMode::processOnly;
}

QString WlrootsWorkspace::enforcementLimitation()
{
    const bool sway = d->swayAnswering();
    if (!toplevelsAvailable() && !sway) {
        return u"This Wayland compositor lists no other application's windows (no "
               "wlr-foreign-toplevel-management, no Sway IPC): no application can be measured or hidden; "
               "controlled applications are stopped by process only."_s;
    }
    if (sway) {
        return u"Sway: hidden applications are moved to the scratchpad rather than minimised; the lock is "
               "answered by keyboard only."_s;
    }
    return u"wlroots compositor: windows are matched to applications by their application id only, "
           "minimising works only where the compositor allows it, and the lock is answered by keyboard only."_s;
}
