#pragma once

#include "Platform/ProcessShield.h"

#include <QByteArray>

#include <memory>

// Processes as Linux shows them under /proc, and windows' owners as the X server knows them:
// the X-Resource extension's client process (the server's own view of the peer), else the
// window's self-declared _NET_WM_PID.
class LinuxProcessShield final : public ProcessShield
{
public:
    // Connects to $DISPLAY (or `displayName`) on first use of processOfWindow.
    explicit LinuxProcessShield(const QByteArray& displayName = {}, int graceMs = 1500);
    ~LinuxProcessShield() override;
    Q_DISABLE_COPY_MOVE(LinuxProcessShield)

    qint64 processOfWindow(quintptr window) override;
    QList<qint64> processesRunning(const QStringList& executables) override;
    QList<qint64> stop(const QList<qint64>& processes) override;

    // Whether `pid` may be signalled at all: not process 1, not this process, and owned by
    // this user.
    static bool maySignal(qint64 pid);

private:
    struct Private;
    std::unique_ptr<Private> d;
};
