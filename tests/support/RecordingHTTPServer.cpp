#include "support/RecordingHTTPServer.h"

#include <QTcpSocket>

RecordingHTTPServer::Answer RecordingHTTPServer::json(int status, const QByteArray& body)
{
    Answer answer;
    answer.status = status;
    answer.body = body;
    answer.headers = { { "Content-Type", "application/json" } };
    return answer;
}

RecordingHTTPServer::Answer RecordingHTTPServer::closeMidAnswer()
{
    // A graceful close: the part is delivered before the connection ends, so the client sees an
    // answer cut short rather than a connection reset before any answer (which Qt would quietly
    // send again).
    const QByteArray body = R"({"devices":[],"items":[],"padding":"....................................."})";
    return raw("HTTP/1.1 200 Scripted\r\nContent-Type: application/json\r\nContent-Length: "
               + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n"
               + body.left(body.size() / 2));
}

RecordingHTTPServer::Answer RecordingHTTPServer::neverAnswer()
{
    Answer answer;
    answer.mode = Answer::Mode::NeverAnswer;
    return answer;
}

RecordingHTTPServer::Answer RecordingHTTPServer::raw(const QByteArray& bytes)
{
    Answer answer;
    answer.mode = Answer::Mode::Raw;
    answer.raw = bytes;
    return answer;
}

QByteArray RecordingHTTPServer::Request::path() const
{
    const auto mark = target.indexOf('?');
    return mark < 0 ? target : target.left(mark);
}

QByteArray RecordingHTTPServer::Request::header(const QByteArray& name) const
{
    for (const auto& [key, value] : headers) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

bool RecordingHTTPServer::Request::hasHeader(const QByteArray& name) const
{
    return headerNames().contains(name.toLower());
}

QList<QByteArray> RecordingHTTPServer::Request::headerNames() const
{
    QList<QByteArray> names;
    for (const auto& header : headers) {
        names.append(header.first.toLower());
    }
    return names;
}

RecordingHTTPServer::RecordingHTTPServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &RecordingHTTPServer::accept);
}

RecordingHTTPServer::~RecordingHTTPServer()
{
    m_server.close();
}

bool RecordingHTTPServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QString RecordingHTTPServer::baseURLString() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

void RecordingHTTPServer::enqueue(const Answer& answer)
{
    m_script.push_back(answer);
}

void RecordingHTTPServer::accept()
{
    while (auto* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        m_buffers.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void RecordingHTTPServer::readFrom(QTcpSocket* socket)
{
    auto& buffer = m_buffers[socket];
    buffer += socket->readAll();
    const auto headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0) {
        return;
    }
    const auto lines = buffer.left(headerEnd).split('\n');
    Request request;
    const auto requestLine = lines.value(0).trimmed().split(' ');
    request.method = requestLine.value(0);
    request.target = requestLine.value(1);
    qsizetype contentLength = 0;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const auto line = lines.at(i).trimmed();
        const auto colon = line.indexOf(':');
        if (colon <= 0) {
            continue;
        }
        const auto name = line.left(colon);
        const auto value = line.mid(colon + 1).trimmed();
        request.headers.append({ name, value });
        if (name.compare("content-length", Qt::CaseInsensitive) == 0) {
            contentLength = value.toLongLong();
        }
    }
    const auto bodyStart = headerEnd + 4;
    if (buffer.size() < bodyStart + contentLength) {
        return;
    }
    request.body = buffer.mid(bodyStart, contentLength);
    buffer.clear();
    m_requests.append(request);

    Answer next = json(200, "{}");
    if (!m_script.empty()) {
        next = m_script.front();
        m_script.pop_front();
    }
    answer(socket, next);
}

void RecordingHTTPServer::answer(QTcpSocket* socket, const Answer& answer)
{
    using Mode = Answer::Mode;
    if (answer.mode == Mode::NeverAnswer) {
        return;
    }
    if (answer.mode == Mode::Raw) {
        socket->write(answer.raw);
        socket->disconnectFromHost();
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " Scripted\r\n";
    for (const auto& [name, value] : answer.headers) {
        head += name + ": " + value + "\r\n";
    }
    head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\nConnection: close\r\n\r\n";
    socket->write(head + answer.body);
    socket->disconnectFromHost();
}
