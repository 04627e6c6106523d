#pragma once

#include "support/CompositorSession.h"

#include <QDBusConnection>

// A headless KWin (Plasma's compositor, on its virtual backend with one 1280x800 output) for one
// test, on a private session bus and runtime folder. Everything started ends with the session, or
// with the test process if it dies.
class KWinSession final : public CompositorSession
{
public:
    // Whether this machine can run one at all (kwin-wayland, python3-gi and GTK installed).
    static bool available(QString* why);
    bool start();

    QDBusConnection bus() const;
    QString busAddress() const { return m_environment.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")); }
    // A native Wayland window (GTK) with the given application id.
    QProcess* startWindow(const QString& appId, const QStringList& options = {})
    {
        return openWindow(appId, m_environment, options);
    }
    // Any program as a client of the session, on Qt's Wayland platform.
    QProcess* startClient(const QString& program, const QStringList& arguments);

private:
    QProcessEnvironment m_environment;
};
