#pragma once

#include <QList>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

// What the headless compositors of the Wayland tests share: a private folder, the programs started
// for the session (ended with it, newest first, or with the test process if it dies), and the GTK
// window helper.
class CompositorSession
{
public:
    virtual ~CompositorSession();
    Q_DISABLE_COPY_MOVE(CompositorSession)

    // Ends every program started for the session, as when the session ends.
    void stop();
    QString errorString() const { return m_error; }
    virtual QString dataHome() const { return m_dir.path() + QStringLiteral("/data"); }
    // Writes desktop entries (file name, the lines after the group header) where the session's
    // applications are looked up, and points this process's look-ups there too.
    bool installDesktopEntries(const QList<std::pair<QString, QByteArray>>& entries);

protected:
    CompositorSession() = default;

    // Whether python3-gi and GTK are there for the window helper.
    static bool windowHelperAvailable(QString* why);
    // `inChild` runs in the new process before the program starts (a change of user, say).
    QProcess* startProcess(const QString& program, const QStringList& arguments,
                           const QProcessEnvironment& environment, std::function<void()> inChild = {});
    // A private message bus; its address, or nothing.
    QString startBus(const QProcessEnvironment& environment);
    // The GTK window helper with the given application id, once it says it is shown; "fullscreen"
    // among the options asks for full screen.
    QProcess* openWindow(const QString& appId, const QProcessEnvironment& environment,
                         const QStringList& options = {});

    QTemporaryDir m_dir;
    QString m_error;

private:
    std::vector<std::unique_ptr<QProcess>> m_processes;
};
