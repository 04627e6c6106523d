#include "BodyLimitGuard.h"

#include <QTcpSocket>
#include <QTimer>

#include <limits>
#include <memory>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// Where one connection stands in its stream of requests, as far as sizes go.
struct Progress
{
    QByteArray head;
    qint64 bodyRemaining = 0;
    bool unsized = false;
};

std::optional<qint64> contentLength(const QByteArray& head, bool* chunked)
{
    std::optional<qint64> length;
    for (const auto& line : head.split('\n')) {
        const auto colon = line.indexOf(':');
        if (colon < 0) {
            continue;
        }
        const auto name = line.left(colon).trimmed().toLower();
        const auto value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            bool ok = false;
            const auto parsed = value.toLongLong(&ok);
            length = ok && parsed >= 0 ? parsed : std::numeric_limits<qint64>::max();
        } else if (name == "transfer-encoding" && value.toLower().contains("chunked")) {
            *chunked = true;
        }
    }
    return length;
}

void refuse(QTcpSocket* socket, int status, const QByteArray& reason, const QByteArray& message)
{
    socket->setProperty(BodyLimitGuard::refusedProperty, true);
    // From here on the HTTP server no longer reads this connection: what still arrives is
    // counted and dropped, so that a client busy uploading reads the answer instead of a reset.
    QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
    auto drained = std::make_shared<qint64>(socket->skip(socket->bytesAvailable()));
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, drained] {
        *drained += socket->skip(socket->bytesAvailable());
        if (*drained > BodyLimitGuard::maximumDrainedBytes) {
            socket->abort();
        }
    });
    QTimer::singleShot(BodyLimitGuard::drainMilliseconds, socket, [socket] { socket->abort(); });
    const auto body = "{\"error\":\"" + message + "\"}";
    socket->write("HTTP/1.1 " + QByteArray::number(status) + ' ' + reason
                  + "\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: "
                  + QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

} // namespace

BodyLimitGuard::BodyLimitGuard(qint64 maximumBodyBytes, QObject* parent)
    : QTcpServer(parent)
    , m_maximumBodyBytes(maximumBodyBytes)
{
}

void BodyLimitGuard::incomingConnection(qintptr descriptor)
{
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    auto progress = std::make_shared<Progress>();
    // Connected before the HTTP server's own handler, so this sees each chunk first (by peeking).
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, progress] {
        if (progress->unsized || socket->property(refusedProperty).toBool()) {
            return;
        }
        const auto data = socket->peek(socket->bytesAvailable());
        qsizetype at = 0;
        while (at < data.size()) {
            if (progress->bodyRemaining > 0) {
                const auto taken = std::min<qint64>(progress->bodyRemaining, data.size() - at);
                progress->bodyRemaining -= taken;
                at += qsizetype(taken);
                continue;
            }
            const auto before = progress->head.size();
            progress->head += data.mid(at);
            const auto end = progress->head.indexOf("\r\n\r\n");
            if (end < 0) {
                if (progress->head.size() > maximumHeaderBytes) {
                    emit refused(progress->head.left(progress->head.indexOf('\r')).left(2048), 431);
                    refuse(socket, 431, "Request Header Fields Too Large",
                           "request header larger than 65536 bytes");
                }
                return;
            }
            bool chunked = false;
            const auto length = contentLength(progress->head.left(end), &chunked).value_or(0);
            if (length > m_maximumBodyBytes) {
                emit refused(progress->head.left(progress->head.indexOf('\r')), 413);
                refuse(socket, 413, "Payload Too Large",
                       "request body larger than " + QByteArray::number(m_maximumBodyBytes) + " bytes");
                return;
            }
            if (chunked) {
                progress->unsized = true;
                return;
            }
            at += end + 4 - before;
            progress->head.clear();
            progress->bodyRemaining = length;
        }
    });
    addPendingConnection(socket);
}
