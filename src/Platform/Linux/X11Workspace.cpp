#include "Platform/Linux/X11Workspace.h"

#include "Platform/Linux/X11WorkspacePrivate.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QProcessEnvironment>
#include <QSet>
#include <QSocketNotifier>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <cstdlib>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

using namespace Qt::StringLiterals;

X11Workspace::X11Workspace(const QByteArray& displayName)
    : d(std::make_unique<Private>())
{
    d->displayName = displayName;
    d->connection = xcb_connect(displayName.isEmpty() ? nullptr : displayName.constData(), &d->screenNumber);
    if (xcb_connection_has_error(d->connection)) {
        xcb_disconnect(d->connection);
        d->connection = nullptr;
    } else {
        auto* cookies = xcb_ewmh_init_atoms(d->connection, &d->ewmh);
        d->ewmhReady = xcb_ewmh_init_atoms_replies(&d->ewmh, cookies, nullptr);
        if (d->ewmhReady && d->screenNumber < d->ewmh.nb_screens) {
            d->root = d->ewmh.screens[d->screenNumber]->root;
        } else {
            d->ewmhReady = false;
        }
        d->gtkApplicationId = d->intern("_GTK_APPLICATION_ID");
        d->kdeDesktopFile = d->intern("_KDE_NET_WM_DESKTOP_FILE");
        d->wmChangeState = d->intern("WM_CHANGE_STATE");
        const auto* res = xcb_get_extension_data(d->connection, &xcb_res_id);
        if (res && res->present) {
            const Reply<xcb_res_query_version_reply_t> version(xcb_res_query_version_reply(
                d->connection, xcb_res_query_version(d->connection, 1, 2), nullptr));
            d->haveRes = version && (version->server_major > 1 || version->server_minor >= 2);
        }
    }
    if (const auto limitation = enforcementLimitation(); !limitation.isEmpty()) {
        qWarning("%s", qPrintable(limitation));
    }
}

X11Workspace::~X11Workspace()
{
    d->watchNotifier.reset();
    if (d->watch) {
        xcb_disconnect(d->watch);
    }
    if (d->ewmhReady) {
        xcb_ewmh_connection_wipe(&d->ewmh);
    }
    if (d->connection) {
        xcb_disconnect(d->connection);
    }
}

bool X11Workspace::isConnected() const
{
    return d->connection && d->ewmhReady;
}

std::optional<RunningApplication> X11Workspace::frontmostApplication()
{
    m_lastRoundTrips = 0;
    if (!isConnected()) {
        return std::nullopt;
    }
    d->drainEvents();
    auto* c = d->connection;
    // Round trip 1: every way of finding the window that gets the keyboard, at once.
    const auto activeCookie = xcb_ewmh_get_active_window(&d->ewmh, d->screenNumber);
    const auto wmCookie = xcb_ewmh_get_supporting_wm_check(&d->ewmh, d->root);
    const auto focusCookie = xcb_get_input_focus(c);
    const auto pointerCookie = xcb_query_pointer(c, d->root);
    const auto stackCookie = xcb_query_tree(c, d->root);
    ++m_lastRoundTrips;
    xcb_window_t active = XCB_NONE;
    const bool haveActive = xcb_ewmh_get_active_window_reply(&d->ewmh, activeCookie, &active, nullptr);
    const bool managed = d->windowManagerPresent(wmCookie);
    const Reply<xcb_get_input_focus_reply_t> focus(xcb_get_input_focus_reply(c, focusCookie, nullptr));
    const Reply<xcb_query_pointer_reply_t> pointer(xcb_query_pointer_reply(c, pointerCookie, nullptr));
    const Reply<xcb_query_tree_reply_t> stackTree(xcb_query_tree_reply(c, stackCookie, nullptr));

    xcb_window_t window = XCB_NONE;
    if (managed) {
        // A window manager that publishes no active window means nothing is active.
        window = haveActive ? active : XCB_NONE;
    } else if (focus && focus->focus != XCB_NONE && focus->focus != XCB_INPUT_FOCUS_POINTER_ROOT
               && focus->focus != d->root) {
        window = focus->focus;
        // Without a window manager the focus sits on a top-level window or one of its
        // descendants; one step up covers the usual case of a focus proxy child.
        const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        ++m_lastRoundTrips;
        if (!tree) {
            return std::nullopt;
        }
        if (tree->parent != tree->root && tree->parent != XCB_NONE) {
            window = tree->parent;
        }
    } else if (pointer) {
        // Focus follows the pointer: the top-level under it receives the keys.
        window = pointer->child;
    }
    // Round trip 2: everything about that window, and every top-level window's attributes.
    std::optional<Private::FactCookies> cookies;
    if (window != XCB_NONE) {
        cookies = d->sendFactQueries(window);
    }
    ++m_lastRoundTrips;
    const auto stack = d->topLevels(stackTree.get());
    const auto focused = focus ? focus->focus : xcb_window_t(XCB_NONE);
    std::optional<WindowFacts> facts;
    if (cookies) {
        facts = d->readFacts(window, *cookies);
    }
    // Override-redirect windows stack above every managed one: the topmost on-screen one that
    // holds the focus or covers much of the screen is in front. Its facts cost a third round
    // trip, and only when there is one.
    for (auto it = stack.crbegin(); it != stack.crend(); ++it) {
        if (!it->overrideRedirect || !it->viewable || (!it->large && it->window != focused)) {
            continue;
        }
        if (facts && facts->window == it->window) {
            break;
        }
        const auto overrideCookies = d->sendFactQueries(it->window);
        ++m_lastRoundTrips;
        const auto overrideFacts = d->readFacts(it->window, overrideCookies);
        if (overrideFacts.exists && overrideFacts.pid > 0) {
            facts = overrideFacts;
        }
        break;
    }
    if (!facts || !facts->exists) {
        return std::nullopt;
    }
    return describe(facts->identity());
}

QList<RunningApplication> X11Workspace::runningApplications()
{
    d->windowsByApplication.clear();
    if (!isConnected()) {
        return {};
    }
    d->drainEvents();
    auto* c = d->connection;
    const auto wmCookie = xcb_ewmh_get_supporting_wm_check(&d->ewmh, d->root);
    const auto listCookie = xcb_ewmh_get_client_list(&d->ewmh, d->screenNumber);
    const auto treeCookie = xcb_query_tree(c, d->root);
    const bool managed = d->windowManagerPresent(wmCookie);
    QList<xcb_window_t> windows;
    xcb_ewmh_get_windows_reply_t list;
    if (xcb_ewmh_get_client_list_reply(&d->ewmh, listCookie, &list, nullptr)) {
        if (managed) {
            windows = QList<xcb_window_t>(list.windows, list.windows + list.windows_len);
        }
        xcb_ewmh_get_windows_reply_wipe(&list);
    }
    const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, treeCookie, nullptr));
    if (!managed && tree) {
        const auto* children = xcb_query_tree_children(tree.get());
        windows = QList<xcb_window_t>(children, children + xcb_query_tree_children_length(tree.get()));
    }

    QList<Private::FactCookies> cookies;
    cookies.reserve(windows.size());
    for (const auto window : std::as_const(windows)) {
        cookies.append(d->sendFactQueries(window));
    }
    // Override-redirect windows on screen, which no client list names.
    QSet<xcb_window_t> listed(windows.cbegin(), windows.cend());
    for (const auto& topLevel : d->topLevels()) {
        if (topLevel.overrideRedirect && topLevel.viewable && !listed.contains(topLevel.window)) {
            windows.append(topLevel.window);
            cookies.append(d->sendFactQueries(topLevel.window));
        }
    }
    QList<RunningApplication> apps;
    QHash<qint64, qsizetype> appIndex;
    for (qsizetype i = 0; i < windows.size(); ++i) {
        const auto facts = d->readFacts(windows[i], cookies[i]);
        // Unmanaged sessions list every top-level, including helpers that never show.
        if (!facts.exists || (facts.overrideRedirect && !facts.viewable) || (!managed && !facts.viewable)) {
            continue;
        }
        if (facts.pid <= 0 && facts.className.isEmpty()) {
            continue;
        }
        const qint64 key = facts.pid > 0 ? facts.pid : -qint64(qHash(facts.className) & 0x7fffffff) - 1;
        d->windowsByApplication[key].append(facts);
        auto described = describe(facts.identity());
        described.hasUnmanagedWindows = facts.overrideRedirect;
        if (const auto found = appIndex.find(key); found != appIndex.end()) {
            apps[*found].isRegular = apps[*found].isRegular || described.isRegular;
            apps[*found].hasUnmanagedWindows
                = apps[*found].hasUnmanagedWindows || described.hasUnmanagedWindows;
            continue;
        }
        appIndex.insert(key, apps.size());
        apps.append(described);
        if (facts.pid <= 0) {
            apps.last().processIdentifier = key;
        }
    }
    return apps;
}

bool X11Workspace::hide(const RunningApplication& application)
{
    if (!isConnected()) {
        return false;
    }
    const auto windows = d->windowsByApplication.value(application.processIdentifier);
    auto* c = d->connection;
    const auto wmCookie = xcb_ewmh_get_supporting_wm_check(&d->ewmh, d->root);
    const bool managed = d->windowManagerPresent(wmCookie);
    bool requested = false;
    for (const auto& facts : windows) {
        if (!facts.viewable || facts.overrideRedirect) {
            continue;
        }
        if (managed) {
            // ICCCM 4.1.4: the window manager iconifies on this request; the application keeps
            // running and can be restored by the user once the lock ends.
            xcb_client_message_event_t event {};
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 32;
            event.window = facts.window;
            event.type = d->wmChangeState;
            event.data.data32[0] = XCB_ICCCM_WM_STATE_ICONIC;
            xcb_send_event(c, 0, d->root,
                           XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                           reinterpret_cast<const char*>(&event));
        } else {
            // Nobody would act on an iconify request: withdraw the window ourselves.
            xcb_unmap_window(c, facts.window);
        }
        requested = true;
    }
    xcb_flush(c);
    return requested;
}

void X11Workspace::activate(const QList<quintptr>& ownWindows)
{
    if (!isConnected() || ownWindows.isEmpty()) {
        return;
    }
    auto* c = d->connection;
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    for (const auto window : ownWindows) {
        xcb_configure_window(c, static_cast<xcb_window_t>(window), XCB_CONFIG_WINDOW_STACK_MODE, &above);
    }
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, static_cast<xcb_window_t>(ownWindows.first()),
                        XCB_CURRENT_TIME);
    xcb_flush(c);
}

void X11Workspace::raise(const QList<quintptr>& ownWindows)
{
    if (!isConnected() || ownWindows.isEmpty()) {
        return;
    }
    auto* c = d->connection;
    const uint32_t above = XCB_STACK_MODE_ABOVE;
    for (const auto window : ownWindows) {
        xcb_configure_window(c, static_cast<xcb_window_t>(window), XCB_CONFIG_WINDOW_STACK_MODE, &above);
    }
    xcb_flush(c);
}

namespace {

// The grab must come from the connection that owns the windows, or "owner events" would not
// count them as ours: that is the toolkit's connection, not this workspace's own.
xcb_connection_t* toolkitConnection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

} // namespace

LockCover X11Workspace::coverOf(const QList<quintptr>& ownWindows)
{
    LockCover cover;
    if (!isConnected() || ownWindows.isEmpty()) {
        return cover;
    }
    // The toolkit maps and raises the lock windows on its own connection: one round trip there
    // makes sure the server has done so before this connection looks.
    // (The offscreen platform offers the interface without a connection.)
    if (auto* toolkit = toolkitConnection()) {
        std::free(xcb_get_input_focus_reply(toolkit, xcb_get_input_focus(toolkit), nullptr));
    }
    d->drainEvents();
    const auto stack = d->topLevels();
    qsizetype lowestOwn = -1;
    for (qsizetype i = 0; i < stack.size(); ++i) {
        if (ownWindows.contains(quintptr(stack[i].window)) && stack[i].viewable && lowestOwn < 0) {
            lowestOwn = i;
        }
    }
    QList<QPair<quintptr, xcb_get_window_attributes_cookie_t>> elsewhere;
    for (const auto own : ownWindows) {
        const auto found = std::find_if(stack.cbegin(), stack.cend(),
                                        [own](const auto& topLevel) { return topLevel.window == own; });
        if (found == stack.cend()) {
            // Not a child of this root: gone, or on another X screen.
            elsewhere.append({ own, xcb_get_window_attributes(d->connection, xcb_window_t(own)) });
        } else if (!found->viewable) {
            cover.unmapped.append(own);
        }
    }
    for (const auto& [own, cookie] : elsewhere) {
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(d->connection, cookie, nullptr));
        if (!attributes) {
            cover.destroyed.append(own);
        } else if (attributes->map_state != XCB_MAP_STATE_VIEWABLE) {
            cover.unmapped.append(own);
        }
    }
    for (qsizetype i = 0; i < stack.size(); ++i) {
        const auto& topLevel = stack[i];
        if (!topLevel.viewable || ownWindows.contains(quintptr(topLevel.window))) {
            continue;
        }
        const bool above = lowestOwn >= 0 && i > lowestOwn;
        if (above) {
            cover.othersAbove.append(topLevel.window);
        }
        if (topLevel.overrideRedirect && above) {
            cover.overrideRedirectAbove.append(topLevel.window);
        }
        if (topLevel.overrideRedirect && topLevel.large) {
            cover.largeOverrideRedirect.append(topLevel.window);
        }
    }
    return cover;
}

void X11Workspace::watchWindows(std::function<void()> onChange)
{
    d->onChange = std::move(onChange);
    if (!d->onChange || d->watch || !isConnected() || !QCoreApplication::instance()) {
        return;
    }
    auto* c = xcb_connect(d->displayName.isEmpty() ? nullptr : d->displayName.constData(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return;
    }
    d->watch = c;
    // Structure changes of every top-level window and the root's properties (the active window).
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, d->root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
    d->watchNotifier = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    QObject::connect(d->watchNotifier.get(), &QSocketNotifier::activated, [this] { d->readWatchEvents(); });
}

bool X11Workspace::holdPointer(QWindow& window)
{
    auto* c = toolkitConnection();
    if (!c) {
        return Workspace::holdPointer(window);
    }
    // The toolkit's own grab reports every event to the grabbing window, so on a computer with
    // several screens the buttons of the other lock windows could not be clicked.
    const auto cookie = xcb_grab_pointer(
        c, 1, static_cast<xcb_window_t>(window.winId()),
        XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION
            | XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW,
        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME);
    auto* reply = xcb_grab_pointer_reply(c, cookie, nullptr);
    const bool held = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(reply);
    return held;
}

void X11Workspace::releasePointer(QWindow& window)
{
    auto* c = toolkitConnection();
    if (!c) {
        Workspace::releasePointer(window);
        return;
    }
    xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    xcb_flush(c);
}

std::optional<EnforcementMode> X11Workspace::enforcementMode()
{
    // Under XWayland only some windows are seen: the rules hold by process alone.
    if (sessionKind(QProcessEnvironment::systemEnvironment()) != SessionKind::x11 || !isConnected()) {
        return EnforcementMode::processOnly;
    }
    return EnforcementMode::x11;
}

QString X11Workspace::enforcementLimitation()
{
    const auto env = QProcessEnvironment::systemEnvironment();
    if (env.value(u"XDG_SESSION_TYPE"_s) == u"wayland"_s || env.contains(u"WAYLAND_DISPLAY"_s)) {
        return u"Wayland session: only applications that run through XWayland can be measured and hidden; "
               "native Wayland applications are not seen at all, and the lock windows cannot cover them "
               "or hold the keyboard."_s;
    }
    if (!isConnected()) {
        return u"No X display: the frontmost application cannot be measured and controlled applications "
               "cannot be hidden."_s;
    }
    return {};
}
