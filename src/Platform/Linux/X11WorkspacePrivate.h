#pragma once

#include "Platform/Linux/X11Workspace.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSocketNotifier>

#include <cstdlib>
#include <functional>
#include <memory>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

// The X connections behind X11Workspace and the queries its operations share: top levels in
// stacking order, the facts of one window, the desktop entry an application belongs to, and the
// second connection that only listens for changes to the windows.

template <typename T> struct FreeDeleter
{
    void operator()(T* pointer) const { std::free(pointer); }
};
template <typename T> using Reply = std::unique_ptr<T, FreeDeleter<T>>;

// What one batch of queries says about one top-level window.
struct WindowFacts
{
    xcb_window_t window = XCB_NONE;
    qint64 pid = 0;
    QString instance;
    QString className;
    QString gtkApplicationId;
    QString kdeDesktopFile;
    bool exists = false;
    bool overrideRedirect = false;
    bool viewable = false;
    bool transient = false;
    bool normalType = true;

    WindowIdentity identity() const
    {
        return { .pid = pid,
                 .declaredIds = { gtkApplicationId, kdeDesktopFile },
                 .instance = instance,
                 .className = className,
                 .regular = !overrideRedirect && normalType && !transient };
    }
};

struct X11Workspace::Private
{
    QByteArray displayName;
    xcb_connection_t* connection = nullptr;
    xcb_ewmh_connection_t ewmh {};
    bool ewmhReady = false;
    int screenNumber = 0;
    xcb_window_t root = XCB_NONE;
    xcb_atom_t gtkApplicationId = XCB_NONE;
    xcb_atom_t kdeDesktopFile = XCB_NONE;
    xcb_atom_t wmChangeState = XCB_NONE;
    bool haveRes = false;

    // Windows seen by the last enumeration, per application, for hide().
    QHash<qint64, QList<WindowFacts>> windowsByApplication;

    // A second connection that only listens: the first one drops its events before each query.
    xcb_connection_t* watch = nullptr;
    std::unique_ptr<QSocketNotifier> watchNotifier;
    std::function<void()> onChange;

    void readWatchEvents();

    // The top-level windows in stacking order (bottom first), with their attributes and
    // geometry; entries whose window vanished meanwhile are left out.
    struct TopLevel
    {
        xcb_window_t window = XCB_NONE;
        bool overrideRedirect = false;
        bool viewable = false;
        bool large = false;
    };
    QList<TopLevel> topLevels();
    // One round trip, together with whatever was sent before and not yet waited for.
    QList<TopLevel> topLevels(const xcb_query_tree_reply_t* tree);

    xcb_atom_t intern(const char* name);

    // Errors of requests whose answers are not waited for arrive as events; nobody else reads
    // this connection, so they are dropped here before each query.
    void drainEvents();

    bool windowManagerPresent(xcb_get_property_cookie_t cookie);

    struct FactCookies
    {
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_property_cookie_t pid;
        xcb_get_property_cookie_t wmClass;
        xcb_get_property_cookie_t gtk;
        xcb_get_property_cookie_t kde;
        xcb_get_property_cookie_t type;
        xcb_get_property_cookie_t transient;
        xcb_res_query_client_ids_cookie_t res;
    };

    FactCookies sendFactQueries(xcb_window_t window);

    WindowFacts readFacts(xcb_window_t window, const FactCookies& cookies);
};
