#include "BodyLimitGuard.h"

#include "ConnectionTable.h"

#include <QSocketNotifier>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// A descriptor held back for the moment the process has no other: closed, it lets one waiting
// connection be accepted and refused, so that the listening queue moves instead of filling up.
int g_reserveDescriptor = -1;

void holdReserve()
{
    if (g_reserveDescriptor < 0) {
        g_reserveDescriptor = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    }
}

const QByteArray unavailableAnswer = "HTTP/1.1 503 Service Unavailable\r\nContent-Type: application/json\r\n"
                                     "Connection: close\r\nContent-Length: 44\r\n\r\n"
                                     "{\"error\":\"server busy, try again in a moment\"}";

// Answers a connection that cannot be served and closes it, without making a socket object of it.
void refuseDescriptor(int descriptor)
{
    [[maybe_unused]] const auto sent = ::send(descriptor, unavailableAnswer.constData(),
                                              size_t(unavailableAnswer.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
    ::close(descriptor);
}

// Where one connection stands in its stream of requests, as far as sizes go.
struct Progress
{
    enum class Stage
    {
        Head,
        Body,
        ChunkSize,
        ChunkData,
        Trailer
    };
    Stage stage = Stage::Head;
    QByteArray head;
    QByteArray requestLine;
    // Body or chunk bytes still to come (for a chunk, with its closing CRLF).
    qint64 remaining = 0;
    qint64 chunkedBytes = 0;
    // The current chunk-size or trailer line.
    QByteArray line;
    qint64 trailerBytes = 0;
};

struct Refusal
{
    int status = 0;
    QByteArray reason;
    QByteArray message;
};

Refusal badRequest(const QByteArray& message)
{
    return { 400, "Bad Request", message };
}

bool isDigits(QByteArrayView value)
{
    return std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// How long the body of the request with this head is: -1 for chunked. A length the server and a
// proxy in front of it could read differently is refused. Every request passes here, so the head
// is read in place, without copies.
qint64 bodyLength(QByteArrayView head, Refusal* refusal)
{
    std::optional<qint64> length;
    bool chunked = false;
    qsizetype start = 0;
    while (start < head.size()) {
        auto end = head.indexOf('\n', start);
        if (end < 0) {
            end = head.size();
        }
        const auto line = head.sliced(start, end - start);
        start = end + 1;
        const auto colon = line.indexOf(':');
        if (colon < 0) {
            continue;
        }
        const auto name = line.first(colon).trimmed();
        const auto value = line.sliced(colon + 1).trimmed();
        if (name.compare("content-length", Qt::CaseInsensitive) == 0) {
            if (value.isEmpty() || value.size() > 18 || !isDigits(value)) {
                *refusal = badRequest("invalid Content-Length");
                return 0;
            }
            const auto declared = value.toLongLong();
            if (length && *length != declared) {
                *refusal = badRequest("conflicting Content-Length headers");
                return 0;
            }
            length = declared;
        } else if (name.compare("transfer-encoding", Qt::CaseInsensitive) == 0) {
            if (value.compare("chunked", Qt::CaseInsensitive) != 0) {
                *refusal = badRequest("unsupported Transfer-Encoding");
                return 0;
            }
            chunked = true;
        }
    }
    if (chunked && length) {
        *refusal = badRequest("both Content-Length and Transfer-Encoding");
        return 0;
    }
    return chunked ? -1 : length.value_or(0);
}

// Whether the client of this head reads its answer until the connection closes: HTTP/1.0 without
// "Connection: keep-alive".
bool closesAfterAnswer(QByteArrayView head)
{
    const auto lineEnd = head.indexOf('\r');
    const auto requestLine = head.first(lineEnd < 0 ? head.size() : lineEnd);
    if (requestLine.size() < 8 || requestLine.last(8).compare("HTTP/1.0", Qt::CaseInsensitive) != 0) {
        return false;
    }
    return !QByteArray(head.data(), head.size()).toLower().contains("\nconnection: keep-alive");
}

// Reads one line (up to LF) into `line`; true once it is complete.
bool takeLine(const QByteArray& data, qsizetype* at, QByteArray* line)
{
    const auto end = data.indexOf('\n', *at);
    if (end < 0) {
        *line += data.mid(*at);
        *at = data.size();
        return false;
    }
    *line += data.mid(*at, end - *at);
    *at = end + 1;
    if (line->endsWith('\r')) {
        line->chop(1);
    }
    return true;
}

void refuse(QTcpSocket* socket, const Refusal& refusal)
{
    socket->setProperty(BodyLimitGuard::refusedProperty, true);
    // From here on the HTTP server no longer reads this connection: what still arrives is
    // counted and dropped, so that a client busy uploading reads the answer instead of a reset.
    QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
    socket->setReadBufferSize(64 * 1024);
    auto drained = std::make_shared<qint64>(socket->skip(socket->bytesAvailable()));
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, drained] {
        *drained += socket->skip(socket->bytesAvailable());
        if (*drained > BodyLimitGuard::maximumDrainedBytes) {
            socket->abort();
        }
    });
    QTimer::singleShot(BodyLimitGuard::drainMilliseconds, socket, [socket] { socket->abort(); });
    const auto body = "{\"error\":\"" + refusal.message + "\"}";
    socket->write("HTTP/1.1 " + QByteArray::number(refusal.status) + ' ' + refusal.reason
                  + "\r\nContent-Type: application/json\r\nConnection: close\r\nContent-Length: "
                  + QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

} // namespace

BodyLimitGuard::BodyLimitGuard(qint64 maximumBodyBytes, ConnectionTable& connections, QObject* parent)
    : QTcpServer(parent)
    , m_maximumBodyBytes(maximumBodyBytes)
    , m_connections(connections)
{
    holdReserve();
}

bool BodyLimitGuard::start(const QHostAddress& address, quint16 port)
{
    if (!listen(address, port)) {
        return false;
    }
    // Connections inherit the listener's receive buffer. The system's own grows to megabytes
    // while a client sends faster than the server reads, and the socket takes all of it in one
    // read, before the limit is checked; a small one keeps what a refused upload costs small.
    const int receiveBytes = int(receiveBufferBytes);
    ::setsockopt(int(socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &receiveBytes, sizeof receiveBytes);
    // QTcpServer retries an accept that fails for want of descriptors at once, forever; this
    // guard accepts by itself instead.
    pauseAccepting();
    m_notifier = new QSocketNotifier(socketDescriptor(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &BodyLimitGuard::acceptWaiting);
    return true;
}

void BodyLimitGuard::acceptWaiting()
{
    // A bounded batch, so that a flood of connections cannot keep the event loop from the others.
    for (int i = 0; i < 64; ++i) {
        const int descriptor
            = ::accept4(int(socketDescriptor()), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (descriptor < 0) {
            if (errno == EINTR || errno == ECONNABORTED) {
                continue;
            }
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                outOfDescriptors();
            }
            return;
        }
        admit(descriptor);
    }
}

void BodyLimitGuard::incomingConnection(qintptr descriptor)
{
    // QTcpServer accepts by itself again whenever something resumes it (taking a pending
    // connection from a full queue does); what it accepts is admitted the same way.
    pauseAccepting();
    admit(int(descriptor));
}

void BodyLimitGuard::admit(int descriptor)
{
    if (!m_connections.makeRoom()) {
        refuseDescriptor(descriptor);
        return;
    }
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(descriptor);
        return;
    }
    m_connections.add(socket);
    watch(socket);
    addPendingConnection(socket);
}

void BodyLimitGuard::outOfDescriptors()
{
    if (m_connections.closeLongestIdle()) {
        return;
    }
    if (g_reserveDescriptor >= 0) {
        ::close(g_reserveDescriptor);
        g_reserveDescriptor = -1;
        const int descriptor = ::accept4(int(socketDescriptor()), nullptr, nullptr, SOCK_CLOEXEC);
        if (descriptor >= 0) {
            refuseDescriptor(descriptor);
        }
        holdReserve();
        if (descriptor >= 0 && g_reserveDescriptor >= 0) {
            return;
        }
    }
    // Nothing to shed: wait for descriptors to come free instead of spinning on the failing accept.
    m_notifier->setEnabled(false);
    QTimer::singleShot(250, m_notifier, [notifier = m_notifier] { notifier->setEnabled(true); });
}

void BodyLimitGuard::watch(QTcpSocket* socket)
{
    auto progress = std::make_shared<Progress>();
    // What the socket's closeAfterAnswerProperty says: it outlives each request's progress.
    auto closing = std::make_shared<bool>(false);
    // Connected before the HTTP server's own handler, so this sees each chunk first (by peeking).
    // Refusing disconnects this handler, so it never sees a refused connection's bytes.
    connect(socket, &QTcpSocket::readyRead, this, [this, socket, progress, closing] {
        using Stage = Progress::Stage;
        const auto available = socket->bytesAvailable();
        // Body bytes are only counted: the bytes are copied (peeked) only when a head or a
        // chunk-size line is to be read, so that a large body costs no copies.
        QByteArray data;
        const auto look = [&] {
            if (data.isEmpty()) {
                data = socket->peek(available);
            }
        };
        const auto fail = [&](const Refusal& refusal) {
            emit refused(progress->requestLine.left(2048), refusal.status);
            refuse(socket, refusal);
        };
        const auto complete = [&] {
            *progress = Progress {};
            m_connections.setPhase(socket, ConnectionTable::Phase::Idle);
        };
        qsizetype at = 0;
        while (at < available) {
            switch (progress->stage) {
            case Stage::Head: {
                look();
                const auto before = progress->head.size();
                if (before == 0) {
                    m_connections.setPhase(socket, ConnectionTable::Phase::Head);
                }
                // A head that arrives whole is read where it lies; one in pieces is gathered.
                QByteArrayView head = QByteArrayView(data).sliced(at);
                if (before > 0) {
                    progress->head += head;
                    head = progress->head;
                }
                const auto end = head.indexOf("\r\n\r\n");
                const auto lineEnd = head.indexOf('\r');
                progress->requestLine
                    = head.first(lineEnd < 0 ? std::min<qsizetype>(head.size(), 2048) : lineEnd)
                          .toByteArray();
                if (end < 0) {
                    if (before == 0) {
                        progress->head = head.toByteArray();
                    }
                    if (progress->head.size() > maximumHeaderBytes) {
                        return fail({ 431, "Request Header Fields Too Large",
                                      "request header larger than 65536 bytes" });
                    }
                    return;
                }
                Refusal refusal;
                const auto length = bodyLength(head.first(end), &refusal);
                if (refusal.status) {
                    return fail(refusal);
                }
                if (length > m_maximumBodyBytes) {
                    return fail(
                        { 413, "Payload Too Large",
                          "request body larger than " + QByteArray::number(m_maximumBodyBytes) + " bytes" });
                }
                const bool closeAfterAnswer = closesAfterAnswer(head.first(end));
                // A property is looked up by name: set only when it changes, which HTTP/1.1 never does.
                if (closeAfterAnswer != *closing) {
                    *closing = closeAfterAnswer;
                    socket->setProperty(closeAfterAnswerProperty, closeAfterAnswer);
                }
                at += end + 4 - before;
                progress->head.clear();
                if (length == 0) {
                    complete();
                } else {
                    progress->stage = length < 0 ? Stage::ChunkSize : Stage::Body;
                    progress->remaining = std::max<qint64>(length, 0);
                    m_connections.setPhase(socket, ConnectionTable::Phase::Body);
                }
                break;
            }
            case Stage::Body:
            case Stage::ChunkData: {
                const auto taken = std::min<qint64>(progress->remaining, available - at);
                progress->remaining -= taken;
                at += qsizetype(taken);
                m_connections.setPhase(socket, ConnectionTable::Phase::Body);
                if (progress->remaining == 0) {
                    if (progress->stage == Stage::Body) {
                        complete();
                    } else {
                        progress->stage = Stage::ChunkSize;
                    }
                }
                break;
            }
            case Stage::ChunkSize: {
                look();
                if (!takeLine(data, &at, &progress->line)) {
                    if (progress->line.size() > 1024) {
                        return fail(badRequest("invalid chunk size"));
                    }
                    break;
                }
                // Chunk extensions (";name=value") are allowed and ignored.
                const auto sizeText = progress->line.split(';').constFirst().trimmed();
                progress->line.clear();
                bool ok = false;
                const auto size = sizeText.size() <= 15 ? sizeText.toLongLong(&ok, 16) : -1;
                if (!ok || size < 0) {
                    return fail(badRequest("invalid chunk size"));
                }
                progress->chunkedBytes += size;
                if (progress->chunkedBytes > m_maximumBodyBytes) {
                    return fail(
                        { 413, "Payload Too Large",
                          "request body larger than " + QByteArray::number(m_maximumBodyBytes) + " bytes" });
                }
                progress->stage = size == 0 ? Stage::Trailer : Stage::ChunkData;
                // The chunk's data is followed by CRLF.
                progress->remaining = size + 2;
                break;
            }
            case Stage::Trailer: {
                look();
                const auto before = at;
                const bool whole = takeLine(data, &at, &progress->line);
                progress->trailerBytes += at - before;
                if (progress->trailerBytes > maximumHeaderBytes) {
                    return fail(
                        { 431, "Request Header Fields Too Large", "request header larger than 65536 bytes" });
                }
                if (whole) {
                    if (progress->line.isEmpty()) {
                        complete();
                    } else {
                        progress->line.clear();
                    }
                }
                break;
            }
            }
        }
    });
}
