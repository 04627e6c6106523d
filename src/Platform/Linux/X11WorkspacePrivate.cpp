#include "Platform/Linux/X11WorkspacePrivate.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QSet>
#include <QSocketNotifier>
#include <QSysInfo>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <cstdlib>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>
#include <xcb/xcb_icccm.h>

using namespace Qt::StringLiterals;

namespace {

QString propertyText(xcb_get_property_reply_t* reply)
{
    if (!reply || reply->format != 8) {
        return {};
    }
    const auto length = xcb_get_property_value_length(reply);
    if (length <= 0) {
        return {};
    }
    auto bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)), length);
    if (const auto nul = bytes.indexOf('\0'); nul >= 0) {
        bytes.truncate(nul);
    }
    return QString::fromUtf8(bytes);
}

} // namespace

void X11Workspace::Private::readWatchEvents()
{
    bool changed = false;
    while (auto* event = xcb_poll_for_event(watch)) {
        switch (event->response_type & 0x7f) {
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_DESTROY_NOTIFY:
        case XCB_CONFIGURE_NOTIFY:
            changed = true;
            break;
        case XCB_PROPERTY_NOTIFY:
            changed = changed
                || reinterpret_cast<xcb_property_notify_event_t*>(event)->atom == ewmh._NET_ACTIVE_WINDOW;
            break;
        default:
            break;
        }
        std::free(event);
    }
    if (changed && onChange) {
        onChange();
    }
}

QList<X11Workspace::Private::TopLevel> X11Workspace::Private::topLevels()
{
    auto* c = connection;
    const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr));
    return topLevels(tree.get());
}

QList<X11Workspace::Private::TopLevel> X11Workspace::Private::topLevels(const xcb_query_tree_reply_t* tree)
{
    if (!tree) {
        return {};
    }
    auto* c = connection;
    const auto* children = xcb_query_tree_children(tree);
    const auto count = xcb_query_tree_children_length(tree);
    QList<xcb_get_window_attributes_cookie_t> attributeCookies;
    QList<xcb_get_geometry_cookie_t> geometryCookies;
    for (int i = 0; i < count; ++i) {
        attributeCookies.append(xcb_get_window_attributes(c, children[i]));
        geometryCookies.append(xcb_get_geometry(c, children[i]));
    }
    const auto* screen = ewmh.screens[screenNumber];
    const qint64 screenArea = qint64(screen->width_in_pixels) * screen->height_in_pixels;
    QList<TopLevel> result;
    for (int i = 0; i < count; ++i) {
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, attributeCookies[i], nullptr));
        const Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, geometryCookies[i], nullptr));
        if (!attributes || !geometry) {
            continue;
        }
        // Input-only windows are invisible; what lies wholly off the screen shows nothing.
        const bool onScreen = attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT
            && geometry->x + geometry->width > 0 && geometry->y + geometry->height > 0
            && geometry->x < screen->width_in_pixels && geometry->y < screen->height_in_pixels;
        result.append({ children[i], bool(attributes->override_redirect),
                        attributes->map_state == XCB_MAP_STATE_VIEWABLE && onScreen,
                        qint64(geometry->width) * geometry->height * 4 >= screenArea });
    }
    return result;
}

xcb_atom_t X11Workspace::Private::intern(const char* name)
{
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<uint16_t>(qstrlen(name)), name);
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : XCB_NONE;
}

void X11Workspace::Private::drainEvents()
{
    while (auto* event = xcb_poll_for_event(connection)) {
        std::free(event);
    }
}

bool X11Workspace::Private::windowManagerPresent(xcb_get_property_cookie_t cookie)
{
    xcb_window_t check = XCB_NONE;
    return xcb_ewmh_get_supporting_wm_check_reply(&ewmh, cookie, &check, nullptr) && check != XCB_NONE;
}

X11Workspace::Private::FactCookies X11Workspace::Private::sendFactQueries(xcb_window_t window)
{
    FactCookies cookies {};
    cookies.attributes = xcb_get_window_attributes(connection, window);
    cookies.pid = xcb_ewmh_get_wm_pid(&ewmh, window);
    cookies.wmClass = xcb_icccm_get_wm_class(connection, window);
    cookies.gtk
        = xcb_get_property(connection, 0, window, gtkApplicationId, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    cookies.kde = xcb_get_property(connection, 0, window, kdeDesktopFile, XCB_GET_PROPERTY_TYPE_ANY, 0, 256);
    cookies.type = xcb_ewmh_get_wm_window_type(&ewmh, window);
    cookies.transient = xcb_icccm_get_wm_transient_for(connection, window);
    if (haveRes) {
        xcb_res_client_id_spec_t spec { window, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID };
        cookies.res = xcb_res_query_client_ids(connection, 1, &spec);
    }
    return cookies;
}

WindowFacts X11Workspace::Private::readFacts(xcb_window_t window, const FactCookies& cookies)
{
    WindowFacts facts;
    facts.window = window;
    if (const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(connection, cookies.attributes, nullptr));
        attributes) {
        facts.exists = true;
        facts.overrideRedirect = attributes->override_redirect;
        facts.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    }
    uint32_t pid = 0;
    if (xcb_ewmh_get_wm_pid_reply(&ewmh, cookies.pid, &pid, nullptr)) {
        facts.pid = pid;
    }
    xcb_icccm_get_wm_class_reply_t wmClass;
    if (xcb_icccm_get_wm_class_reply(connection, cookies.wmClass, &wmClass, nullptr)) {
        facts.instance = QString::fromUtf8(wmClass.instance_name);
        facts.className = QString::fromUtf8(wmClass.class_name);
        xcb_icccm_get_wm_class_reply_wipe(&wmClass);
    }
    const Reply<xcb_get_property_reply_t> gtk(xcb_get_property_reply(connection, cookies.gtk, nullptr));
    facts.gtkApplicationId = propertyText(gtk.get());
    const Reply<xcb_get_property_reply_t> kde(xcb_get_property_reply(connection, cookies.kde, nullptr));
    facts.kdeDesktopFile = propertyText(kde.get());
    xcb_ewmh_get_atoms_reply_t types;
    if (xcb_ewmh_get_wm_window_type_reply(&ewmh, cookies.type, &types, nullptr)) {
        facts.normalType = false;
        for (uint32_t i = 0; i < types.atoms_len; ++i) {
            facts.normalType = facts.normalType || types.atoms[i] == ewmh._NET_WM_WINDOW_TYPE_NORMAL;
        }
        xcb_ewmh_get_atoms_reply_wipe(&types);
    }
    xcb_window_t transientFor = XCB_NONE;
    facts.transient
        = xcb_icccm_get_wm_transient_for_reply(connection, cookies.transient, &transientFor, nullptr)
        && transientFor != XCB_NONE;
    if (haveRes) {
        const Reply<xcb_res_query_client_ids_reply_t> ids(
            xcb_res_query_client_ids_reply(connection, cookies.res, nullptr));
        if (ids) {
            for (auto it = xcb_res_query_client_ids_ids_iterator(ids.get()); it.rem > 0;
                 xcb_res_client_id_value_next(&it)) {
                if ((it.data->spec.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID)
                    && xcb_res_client_id_value_value_length(it.data) >= 1) {
                    // The server's own view of the peer beats a self-declared _NET_WM_PID.
                    facts.pid = *xcb_res_client_id_value_value(it.data);
                }
            }
        }
    }
    return facts;
}
