#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One copy of the application per user session. The first copy holds a lock file and listens on
// a local socket beside it, both in the session's runtime folder; a later start asks it to show
// its window and ends. A start that is to replace the running copy (the guard's keeper starting
// the protected copy) asks it to end and takes its place, so that two copies never enforce side
// by side.
class SingleInstance final : public QObject
{
    Q_OBJECT

public:
    // `folder`: where the lock and the socket live; the session's runtime folder by default.
    explicit SingleInstance(QString folder = QString(), QObject* parent = nullptr);
    ~SingleInstance() override;

    enum class Start
    {
        // Show the running copy's window; this start ends.
        handOver,
        // End the running copy and run in its place.
        replace
    };
    // True when this process is now the one copy (and listens for later starts); false when it
    // handed over and should end.
    bool claim(Start start);

    QString socketPath() const;

signals:
    // A later start asked for the window.
    void activationRequested();
    // A replacing start asked this copy to end; the lock and the socket are already released.
    void replacementRequested();

private:
    bool listen();
    // Sends `request` to the running copy; true once it has answered.
    bool ask(const QByteArray& request) const;
    void answer();

    QString m_folder;
    QLockFile m_lock;
    QLocalServer* m_server = nullptr;
};
