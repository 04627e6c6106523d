#include "App/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {
const QByteArray kShow = "show\n";
const QByteArray kReplace = "replace\n";
constexpr int kWaitMs = 3000;
// A copy asked to end releases the lock at once; the guard's keeper may still start the new one
// before the old one has reached its event loop.
constexpr int kReplaceWaitMs = 10000;
constexpr int kRetryMs = 200;

QString folderOrRuntime(const QString& folder)
{
    if (!folder.isEmpty()) {
        return folder;
    }
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}
} // namespace

SingleInstance::SingleInstance(QString folder, QObject* parent)
    : QObject(parent)
    , m_folder(folderOrRuntime(folder))
    , m_lock(m_folder + u"/vantorel.lock"_s)
{
    // Held for the whole run; a crashed holder's lock is taken over by its process id.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::socketPath() const
{
    return m_folder + u"/vantorel.socket"_s;
}

bool SingleInstance::claim(Start start)
{
    QDir().mkpath(m_folder);
    if (m_lock.tryLock(0)) {
        return listen();
    }
    if (start == Start::handOver) {
        ask(kShow);
        return false;
    }
    // The running copy may itself be starting, holding the lock before it listens: ask again
    // until it lets go, rather than give up and leave the copy that was to be replaced running.
    const QDeadlineTimer deadline(kReplaceWaitMs);
    while (!deadline.hasExpired()) {
        ask(kReplace);
        if (m_lock.tryLock(kRetryMs)) {
            return listen();
        }
    }
    return false;
}

bool SingleInstance::ask(const QByteArray& request) const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(kWaitMs)) {
        return false;
    }
    socket.write(request);
    socket.waitForBytesWritten(kWaitMs);
    // The running copy answers once it has acted (and, when replaced, let go of the lock).
    return socket.waitForReadyRead(kWaitMs);
}

bool SingleInstance::listen()
{
    // A socket file left by a copy that crashed would refuse the listen.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
    // Without the socket later starts cannot reach this copy, yet it still holds the lock and
    // so remains the one copy.
    m_server->listen(socketPath());
    return true;
}

void SingleInstance::answer()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                return;
            }
            const QByteArray request = socket->readLine();
            if (request == kReplace) {
                m_server->close();
                m_lock.unlock();
                socket->write("ok\n");
                socket->flush();
                emit replacementRequested();
            } else if (request == kShow) {
                emit activationRequested();
                socket->write("ok\n");
                socket->flush();
            } else {
                socket->abort();
            }
        });
    }
}
