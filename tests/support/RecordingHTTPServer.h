#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

#include <deque>

class QTcpSocket;

// An HTTP/1.1 server on a loopback port that records every request exactly as it arrived (method,
// raw target, headers in order with their spelling, body) and answers from a script, one scripted
// answer per request in order. It closes every connection after its answer, so each request
// arrives on a connection of its own.
class RecordingHTTPServer final : public QObject
{
    Q_OBJECT

public:
    struct Request
    {
        QByteArray method;
        // The request target as sent: path and query, still percent-encoded.
        QByteArray target;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;

        QByteArray path() const;
        // Case-insensitive; empty when not sent.
        QByteArray header(const QByteArray& name) const;
        bool hasHeader(const QByteArray& name) const;
        // Lower-cased names in the order sent.
        QList<QByteArray> headerNames() const;
    };

    struct Answer
    {
        enum class Mode
        {
            // A complete answer: status, headers, body.
            Reply,
            // The request is read and the connection kept open without a word.
            NeverAnswer,
            // `raw` is written as it is, then the connection closes.
            Raw
        };
        Mode mode = Mode::Reply;
        int status = 200;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray raw;
    };

    static Answer json(int status, const QByteArray& body);
    // The headers announce the whole body, half of it is sent, then the connection closes.
    static Answer closeMidAnswer();
    static Answer neverAnswer();
    static Answer raw(const QByteArray& bytes);

    explicit RecordingHTTPServer(QObject* parent = nullptr);
    ~RecordingHTTPServer() override;

    // Listens on 127.0.0.1 on a free port.
    bool listen();
    // "http://127.0.0.1:<port>".
    QString baseURLString() const;

    // Answers are used in order; once they run out every request gets 200 with "{}".
    void enqueue(const Answer& answer);
    const QList<Request>& requests() const { return m_requests; }

private:
    void accept();
    void readFrom(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const Answer& answer);

    QTcpServer m_server;
    std::deque<Answer> m_script;
    QList<Request> m_requests;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};
