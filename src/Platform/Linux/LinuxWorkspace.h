#pragma once

#include "Platform/Workspace.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QStringList>

#include <memory>

class DesktopEntryIndex;

// What a display server tells about one window's owner, before it is matched to a desktop entry.
struct WindowIdentity
{
    qint64 pid = 0;
    // Identifiers the window declares itself: the toolkit's application id, KDE's desktop file,
    // or the desktop entry a compositor has already matched ("org.example.App.desktop" or bare).
    QStringList declaredIds;
    // WM_CLASS on X11; on Wayland the toplevel's app id stands in for both parts.
    QString instance;
    QString className;
    bool regular = true;
};

// What every Linux workspace shares, whatever shows the windows: the same window belongs to the
// same desktop entry under X11 and Wayland, so a selection made in one session holds in the other.
class LinuxWorkspace : public Workspace
{
public:
    LinuxWorkspace();
    ~LinuxWorkspace() override;

    // Which display server and desktop this session runs, from the variables the session manager
    // sets: each needs its own way to see and hide other applications' windows.
    enum class SessionKind
    {
        x11,
        gnomeWayland,
        kdeWayland,
        wlroots,
        otherWayland
    };
    static SessionKind sessionKind(const QProcessEnvironment& environment);

    QIcon iconForFile(const QString& path) override;
    QString hostName() override;
    QString osVersion() override;
    std::optional<QString> ownBundleIdentifier() override;
    // The program of the desktop entry's Exec line, found on $PATH as the session would.
    QStringList executablesOf(const QString& applicationId) override;

protected:
    RunningApplication describe(const WindowIdentity& window);

private:
    const DesktopEntryIndex& index(bool refreshIfOld);

    std::unique_ptr<DesktopEntryIndex> m_entries;
    QElapsedTimer m_entriesAge;
};
