#pragma once

#include "Platform/SessionActivity.h"

#include <QDBusConnection>
#include <QString>

// This process's session as systemd-logind knows it: its `Active`, `IdleHint` and `LockedHint`.
// The desktop sets the hints (GNOME, KDE and swayidle do); without logind the state is unknown.
class LogindSessionActivity final : public SessionActivity
{
public:
    // The session named by `sessionId` ($XDG_SESSION_ID when empty), else this process's.
    explicit LogindSessionActivity(QDBusConnection bus = QDBusConnection::systemBus(),
                                   QString sessionId = {});

    State state() override;

private:
    QString sessionPath();

    QDBusConnection m_bus;
    QString m_sessionId;
    QString m_path;
};
