#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

// A headless KWin (Plasma's compositor, on its virtual backend with one 1280x800 output) for one
// test, on a private session bus and runtime folder. Everything started ends with the session, or
// with the test process if it dies.
class KWinSession
{
public:
    KWinSession() = default;
    ~KWinSession();
    Q_DISABLE_COPY_MOVE(KWinSession)

    // Whether this machine can run one at all (kwin-wayland, python3-gi and GTK installed).
    static bool available(QString* why);
    bool start();
    void stop();
    QString errorString() const { return m_error; }

    QDBusConnection bus() const;
    QString busAddress() const { return m_environment.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")); }
    // A native Wayland window (GTK) with the given application id.
    QProcess* startWindow(const QString& appId);
    QString dataHome() const { return m_dir.path() + QStringLiteral("/data"); }

private:
    QProcess* startProcess(const QString& program, const QStringList& arguments);

    QTemporaryDir m_dir;
    QProcessEnvironment m_environment;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QString m_error;
};
