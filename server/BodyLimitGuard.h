#pragma once

#include <QTcpServer>

// Qt HttpServer 6.4 buffers a request's whole body before anyone sees the request, so a client
// could make the server hold any amount of memory. This listener watches each connection's bytes
// as they arrive: a request whose Content-Length exceeds the limit, or whose header block grows
// past 64 KiB, is answered 413 (431) at once and the connection closed, before the body is read.
// Chunked bodies cannot be sized in advance; the server checks them once they are complete.
class BodyLimitGuard final : public QTcpServer
{
    Q_OBJECT

public:
    explicit BodyLimitGuard(qint64 maximumBodyBytes, QObject* parent = nullptr);

    // Set on a socket this guard has answered and is closing: the HTTP layer must not answer it.
    static constexpr const char* refusedProperty = "vantorel.refused";
    static constexpr qint64 maximumHeaderBytes = 64 * 1024;
    static constexpr qint64 maximumDrainedBytes = 16 * 1024 * 1024;
    static constexpr int drainMilliseconds = 10000;

signals:
    // The request line ("POST /path HTTP/1.1") of a request answered here, for the request log.
    void refused(const QByteArray& requestLine, int status);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    qint64 m_maximumBodyBytes;
};
