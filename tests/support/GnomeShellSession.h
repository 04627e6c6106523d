#pragma once

#include "support/CompositorSession.h"

#include <QDBusConnection>
#include <QProcessEnvironment>

// A headless GNOME Shell on Wayland with the application's Shell extension enabled, on private
// buses and folders: a system bus with a stand-in logind (the shell exits without one), a session
// bus, and a home whose settings enable the extension from the build tree. Everything started
// ends with the session, or with the test process if it dies.
class GnomeShellSession final : public CompositorSession
{
public:
    // Whether this machine can run one at all (gnome-shell and python3-dbusmock installed).
    static bool available(QString* why);
    bool start();

    QDBusConnection bus() const;
    QString home() const { return m_dir.path() + QStringLiteral("/home"); }
    QString dataHome() const override { return home() + QStringLiteral("/.local/share"); }
    QProcessEnvironment environment() const { return m_environment; }

    // A native Wayland window (GTK) with the given application id; what is typed into it is
    // written to its standard output, one line per change.
    QProcess* startWindow(const QString& appId);

    // Input as a person gives it, through the compositor's remote-desktop interface: "click"
    // (the middle of the monitor, where the shell places a new window), "return", "back-tab", or
    // text.
    bool input(const QStringList& steps);

private:
    QProcessEnvironment m_environment;
};
