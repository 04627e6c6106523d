#pragma once

#include "support/CompositorSession.h"

// A headless Sway for one test, run as "nobody" (Sway refuses to run as root) in a private runtime
// folder, with one 1280x800 output. Everything started ends with the session, or with the test
// process if it dies.
class SwaySession final : public CompositorSession
{
public:
    // Whether this machine can run one at all (sway, python3-gi and GTK installed).
    static bool available(QString* why);
    bool start();

    // Absolute paths, usable from any user: the Wayland socket and Sway's IPC socket.
    QString display() const { return m_display; }
    QString ipcSocket() const { return m_ipc; }

    // A native Wayland window (GTK) with the given application id.
    QProcess* startWindow(const QString& appId) { return openWindow(appId, environment(false)); }
    // Keys as a person types them, to whatever has the keyboard: wtype's arguments ("text",
    // "-k Return").
    bool type(const QStringList& arguments);
    // Whether a window of the process is on the workspace on screen, as Sway itself answers.
    bool shows(qint64 pid);
    // A command as `swaymsg` sends it, and whether Sway carried it out.
    bool command(const QString& command);

private:
    // Sway's own (as nobody) or its clients'.
    QProcessEnvironment environment(bool forSway) const;
    QProcess* startProcess(const QString& program, const QStringList& arguments, bool asNobody = false);

    QString m_display;
    QString m_ipc;
};
