#pragma once

#include <QProcess>
#include <QStringList>

// A private X server for one test (a display without a window manager, or with two screens),
// stopped when the object goes away.
class XvfbServer
{
public:
    explicit XvfbServer(const QStringList& serverArguments
                        = { QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1024x768x24") },
                        bool withWindowManager = false);
    ~XvfbServer();
    Q_DISABLE_COPY_MOVE(XvfbServer)

    bool isRunning() const { return m_running; }
    QByteArray display() const { return m_display; }
    // The calling environment with DISPLAY pointing here, for the programs a test starts.
    QProcessEnvironment environment() const;

private:
    QProcess m_server;
    QProcess m_windowManager;
    QByteArray m_display;
    bool m_running = false;
};

// Helpers for driving real X clients from tests.
namespace X11TestTools {
// Runs a command line tool against `display` and returns its standard output (trimmed).
QString run(const QByteArray& display, const QString& program, const QStringList& arguments,
            int timeoutMs = 10000);
// The first visible window with this WM_CLASS instance name, waiting for it to be mapped.
quint32 windowNamed(const QByteArray& display, const QString& instanceName);
// "IsViewable", "IsUnMapped" or "IsUnviewable".
QString mapState(const QByteArray& display, quint32 window);
// Position of a window's top-level ancestor in the root window's stacking order (bottom first).
int stackingIndex(const QByteArray& display, quint32 window);
// Whether some client holds the keyboard grab (a grab tried from a fresh connection is refused).
bool keyboardTaken(const QByteArray& display);
} // namespace X11TestTools
