#pragma once

#include "support/XvfbServer.h"

#include <QImage>
#include <QProcess>
#include <QString>

#include <map>
#include <memory>

// A desktop of its own for an end-to-end test: a private X display with two screens and a window
// manager, a session bus, and the accessibility bus that Qt applications join. Each
// program started through it runs in a process group of its own; stopping a program ends its
// whole group, and everything still running ends when the session goes (or the test dies).
class DesktopSession
{
public:
    DesktopSession();
    ~DesktopSession();
    Q_DISABLE_COPY_MOVE(DesktopSession)

    bool start();
    QString errorString() const { return m_error; }

    QByteArray display() const;
    // A second display (one screen, its own window manager) for a second computer whose
    // windows must not lie under the first one's full-screen windows.
    QByteArray secondDisplay() const;
    QString busAddress() const { return m_busAddress; }
    // The calling environment pointed at this display and bus.
    QProcessEnvironment environment() const;

    // Starts `program` in a new process group with `environment`; its output goes to `logFile`
    // (appended) or nowhere. Returns its pid, or 0 when it did not start.
    qint64 startProgram(const QString& program, const QStringList& arguments,
                        const QProcessEnvironment& environment, const QString& logFile = {});
    // Asks the program's group to end, then kills what is left of it.
    void stopProgram(qint64 pid);
    bool isRunning(qint64 pid) const;

    // All screens of the display side by side as one picture; needs the test's own QGuiApplication to be
    // connected to this display.
    static QImage grabScreens();
    // The root window of another display, through a connection of its own.
    static QImage grabDisplay(const QByteArray& display);

private:
    std::unique_ptr<XvfbServer> m_x;
    std::unique_ptr<XvfbServer> m_secondX;
    std::map<qint64, std::unique_ptr<QProcess>> m_programs;
    qint64 m_bus = 0;
    qint64 m_accessibility = 0;
    QString m_busAddress;
    QString m_error;
};
