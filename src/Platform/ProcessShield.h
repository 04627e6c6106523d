#pragma once

#include <QList>
#include <QStringList>

// The processes behind a controlled application, and the one way to stop them. Hiding windows
// needs a window system that cooperates; this works from process identifiers alone, so it is
// also what a session without window access (Wayland) is left with.
//
// Whatever a caller asks for, an implementation never signals this process, process 1, or a
// process of another user.
class ProcessShield
{
public:
    virtual ~ProcessShield();

    // The process that owns a top-level window of the display, or 0 when it cannot be told.
    virtual qint64 processOfWindow(quintptr window) = 0;
    // The running processes of this user whose executable is one of `executables` (canonical
    // paths), this process excepted.
    virtual QList<qint64> processesRunning(const QStringList& executables) = 0;
    // Asks each process to end (SIGTERM) and ends those still there after a short grace
    // (SIGKILL). Returns the processes that were asked.
    virtual QList<qint64> stop(const QList<qint64>& processes) = 0;
};
