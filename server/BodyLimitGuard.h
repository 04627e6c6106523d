#pragma once

#include <QTcpServer>

class ConnectionTable;
class QSocketNotifier;

// Qt HttpServer 6.4 buffers a request's whole body before anyone sees the request, and accepts
// connections as long as the system lets it. This listener accepts connections itself and watches
// each connection's bytes as they arrive:
// - a request whose declared length, or whose chunked body so far, exceeds the limit is answered
//   413 at once and the connection closed, before the rest is read; a head past 64 KiB gets 431;
//   a head whose length the server could misread (a non-numeric or negative Content-Length, two
//   different ones, or one beside Transfer-Encoding) gets 400;
// - connections are entered in the server's ConnectionTable, which times them out and caps them;
// - when the process runs out of file descriptors, accepting sheds the connection idle the
//   longest, or refuses one waiting connection through a descriptor kept in reserve, or pauses,
//   instead of retrying a failing accept in a loop.
class BodyLimitGuard final : public QTcpServer
{
    Q_OBJECT

public:
    BodyLimitGuard(qint64 maximumBodyBytes, ConnectionTable& connections, QObject* parent = nullptr);

    // Listens and starts accepting; false with errorString() when it cannot listen.
    bool start(const QHostAddress& address, quint16 port);

    // Set on a socket this guard has answered and is closing: the HTTP layer must not answer it.
    static constexpr const char* refusedProperty = "vantorel.refused";
    // Set on a socket whose last request is HTTP/1.0 without "Connection: keep-alive": such a
    // client reads its answer until the connection closes.
    static constexpr const char* closeAfterAnswerProperty = "vantorel.close";
    static constexpr qint64 maximumHeaderBytes = 64 * 1024;
    static constexpr qint64 receiveBufferBytes = 128 * 1024;
    static constexpr qint64 maximumDrainedBytes = 16 * 1024 * 1024;
    static constexpr int drainMilliseconds = 10000;

signals:
    // The request line ("POST /path HTTP/1.1") of a request answered here, for the request log.
    void refused(const QByteArray& requestLine, int status);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void acceptWaiting();
    void admit(int descriptor);
    void outOfDescriptors();
    void watch(QTcpSocket* socket);

    qint64 m_maximumBodyBytes;
    ConnectionTable& m_connections;
    QSocketNotifier* m_notifier = nullptr;
};
