#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QString>
#include <QWindow>

#include <functional>
#include <optional>

class ShellLockLayer;

// One application as the window system sees it. On X11 an application is one process that owns
// at least one top-level window; its "bundle identifier" is the desktop-entry id (or the window
// class when no entry claims the window).
struct RunningApplication
{
    std::optional<QString> bundleIdentifier;
    std::optional<QString> localizedName;
    std::optional<QString> executablePath;
    qint64 processIdentifier = 0;
    // Has ordinary windows of its own (the equivalent of a Dock icon and a menu bar); helpers,
    // panels, docks and pop-ups are not regular and are never hidden.
    bool isRegular = true;
    // Shows windows that bypass the window manager (override-redirect on X11): they cannot be
    // minimised, only their process can be stopped.
    bool hasUnmanagedWindows = false;

    friend bool operator==(const RunningApplication&, const RunningApplication&) = default;
};

// How the lock windows of this process stand at one instant.
struct LockCover
{
    QList<quintptr> destroyed; // no longer exist (closed by another client)
    QList<quintptr> unmapped; // exist but are not on screen
    // Windows of other clients, on screen and stacked above the lowest lock window.
    QList<quintptr> othersAbove;
    // On-screen override-redirect windows of other clients: those above the lock, and those
    // covering at least a quarter of the screen wherever they are stacked.
    QList<quintptr> overrideRedirectAbove;
    QList<quintptr> largeOverrideRedirect;

    bool intact() const { return destroyed.isEmpty() && unmapped.isEmpty() && othersAbove.isEmpty(); }
};

namespace WorkspaceEnforcement {
Q_NAMESPACE

// How the rules hold on this computer, as the health report names it to the parent.
enum class Mode
{
    x11, // the window system shows every window: applications are measured, hidden and covered
    gnomeExtension, // GNOME on Wayland, through the Shell extension installed with the guard
    wlroots, // a wlroots compositor (Sway): measured and hidden through its window list
    kwin, // KDE Plasma on Wayland, through a script this application loads into KWin
    processOnly // nothing can see other windows: controlled applications are stopped while blocked
};
Q_ENUM_NS(Mode)

} // namespace WorkspaceEnforcement

using EnforcementMode = WorkspaceEnforcement::Mode;

// The window system, as far as the enforcement needs it. Calls are made on the main thread.
class Workspace
{
public:
    virtual ~Workspace();

    // The application that receives keyboard input now, or nothing (no window has the focus,
    // or its window vanished while it was being looked at).
    virtual std::optional<RunningApplication> frontmostApplication() = 0;
    virtual QList<RunningApplication> runningApplications() = 0;
    // Asks every window of the application to minimise; never terminates it. Returns whether a
    // request was made (false when the application has no visible window left). The request may
    // be refused; callers ask again at their next tick.
    virtual bool hide(const RunningApplication& application) = 0;
    // Raises the given windows of this process above all others and gives the first one the
    // keyboard focus.
    virtual void activate(const QList<quintptr>& ownWindows) = 0;
    // Raises the given windows of this process above all others, leaving the focus where it is.
    virtual void raise(const QList<quintptr>& ownWindows) { Q_UNUSED(ownWindows) }
    // Asks a compositor that stacks windows by its own rules to keep these lock windows of this
    // process above every other window and full screen, one per screen, for as long as they are
    // shown; an empty list lets them go.
    virtual void holdLockWindows(const QList<quintptr>& lockWindows) { Q_UNUSED(lockWindows) }
    // Holds the pointer for this process: clicks on any of its own windows arrive as usual, and
    // clicks anywhere else go to `window`. Returns whether the grab is held.
    virtual bool holdPointer(QWindow& window) { return window.setMouseGrabEnabled(true); }
    virtual void releasePointer(QWindow& window) { window.setMouseGrabEnabled(false); }
    // Where the given windows of this process stand among all windows of the display.
    virtual LockCover coverOf(const QList<quintptr>& ownWindows)
    {
        Q_UNUSED(ownWindows)
        return {};
    }
    // Calls `onChange` from the event loop soon after any top-level window is mapped, unmapped,
    // destroyed or restacked, or the active window changes, so that the lock and the shield act
    // at once instead of at their next tick. One watcher at a time; an empty function stops it.
    virtual void watchWindows(std::function<void()> onChange) { Q_UNUSED(onChange) }
    virtual QIcon iconForFile(const QString& path) = 0;
    virtual QString hostName() = 0;
    virtual QString osVersion() = 0;
    // This application's own identifier, compared with others' to never hide ourselves.
    virtual std::optional<QString> ownBundleIdentifier() = 0;
    // The programs (canonical paths) an application identifier starts, so that its processes can
    // be found where its windows cannot be seen; empty for an identifier nobody knows.
    virtual QStringList executablesOf(const QString& applicationId)
    {
        Q_UNUSED(applicationId)
        return {};
    }
    // Empty when everything can be enforced; otherwise a sentence saying what cannot be.
    virtual QString enforcementLimitation() { return {}; }
    // Nothing from a workspace that cannot tell.
    virtual std::optional<EnforcementMode> enforcementMode() { return std::nullopt; }
    // The desktop could do more, but the extension this application ships for it is missing or
    // switched off, so that only the process shield is left: the child's home screen says so.
    virtual bool desktopExtensionMissing() { return false; }
    // The compositor's own lock layer where the window system offers one; otherwise the lock is
    // this process's own windows.
    virtual ShellLockLayer* lockLayer() { return nullptr; }
};
