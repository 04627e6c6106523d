#pragma once

#include "Platform/Linux/LinuxWorkspace.h"

#include <QElapsedTimer>
#include <QHash>

#include <memory>

struct xcb_connection_t;

// The workspace of an X11 session, through its own xcb connection (independent of the Qt
// platform plug-in, so that it also works under the offscreen platform of the tests).
//
// The frontmost application is found in a fixed number of round trips: the active window
// (_NET_ACTIVE_WINDOW; without a window manager the input focus, or the top-level under the
// pointer when the focus follows the pointer), then one batch of property and X-Resource
// queries for that window, together with the attributes of every top-level window. An
// override-redirect window of another program that holds the focus or covers a quarter of the
// screen is what the child sees and types into, whatever the window manager calls active: its
// application is then the frontmost one (one more round trip). A window that disappears
// meanwhile yields "no application".
class X11Workspace final : public LinuxWorkspace
{
public:
    // Connects to $DISPLAY (or `displayName`). Without a display every query answers nothing.
    explicit X11Workspace(const QByteArray& displayName = {});
    ~X11Workspace() override;
    Q_DISABLE_COPY_MOVE(X11Workspace)

    bool isConnected() const;

    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override;
    bool hide(const RunningApplication& application) override;
    void activate(const QList<quintptr>& ownWindows) override;
    bool holdPointer(QWindow& window) override;
    void releasePointer(QWindow& window) override;
    void raise(const QList<quintptr>& ownWindows) override;
    LockCover coverOf(const QList<quintptr>& ownWindows) override;
    void watchWindows(std::function<void()> onChange) override;
    QString enforcementLimitation() override;
    std::optional<EnforcementMode> enforcementMode() override;

    // Requests sent to the X server by the last frontmostApplication() call whose answer was
    // waited for (each one a round trip); for the tests of the per-sample cost.
    int lastRoundTrips() const { return m_lastRoundTrips; }

private:
    struct Private;
    std::unique_ptr<Private> d;
    int m_lastRoundTrips = 0;
};
