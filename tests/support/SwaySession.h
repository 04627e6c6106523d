#pragma once

#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A headless Sway for one test, run as "nobody" (Sway refuses to run as root) in a private runtime
// folder, with one 1280x800 output. Everything started ends with the session, or with the test
// process if it dies.
class SwaySession
{
public:
    SwaySession() = default;
    ~SwaySession();
    Q_DISABLE_COPY_MOVE(SwaySession)

    // Whether this machine can run one at all (sway, python3-gi and GTK installed).
    static bool available(QString* why);
    bool start();
    // Ends Sway and every program started in it, as when the session ends.
    void stop();
    QString errorString() const { return m_error; }

    // Absolute paths, usable from any user: the Wayland socket and Sway's IPC socket.
    QString display() const { return m_display; }
    QString ipcSocket() const { return m_ipc; }
    QString dataHome() const { return m_dir.path() + QStringLiteral("/data"); }

    // A native Wayland window (GTK) with the given application id.
    QProcess* startWindow(const QString& appId);
    // Keys as a person types them, to whatever has the keyboard: wtype's arguments ("text",
    // "-k Return").
    bool type(const QStringList& arguments);
    // Whether a window of the process is on the workspace on screen, as Sway itself answers.
    bool shows(qint64 pid);

private:
    QProcess* startProcess(const QString& program, const QStringList& arguments, bool asNobody = false);

    QTemporaryDir m_dir;
    QString m_display;
    QString m_ipc;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QString m_error;
};
