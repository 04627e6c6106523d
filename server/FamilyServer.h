#pragma once

#include "ApiRoute.h"
#include "FamilyCodeThrottle.h"
#include "ServerOptions.h"

#include <QAbstractHttpServer>
#include <QHash>
#include <QHostAddress>

#include <chrono>
#include <deque>
#include <memory>
#include <mutex>

class ConnectionTable;
class DatabasePool;
class StageTimings;

// The HTTP side of the server: reads a request, finds its route, turns what the route or its
// handler throws into {"error": "..."} and logs one line per request. Qt HttpServer's own router is
// not used because it answers unknown methods and paths without a JSON error and offers no place
// to time a request or to refuse a body before a route sees it.
//
// A request's route runs on a thread of the DatabasePool; its answer is written back here, on the
// sockets' thread, in the order the connection sent its requests.
class FamilyServer final : public QAbstractHttpServer
{
    Q_OBJECT

public:
    explicit FamilyServer(ServerOptions options, QObject* parent = nullptr);
    ~FamilyServer() override;

    // Opens the database (creating or migrating the schema) and starts listening.
    bool start(QString* error);
    // The port of the first --listen address; ports() has one per address.
    quint16 port() const { return m_ports.value(0); }
    QList<quint16> ports() const { return m_ports; }
    // The connection cap in force: the one asked for, within what the open-file limit allows.
    int maximumConnections() const;
    const ServerOptions& options() const { return m_options; }

    // The log line for a request: family codes and device identifiers are masked, since either
    // one grants access to a family's data.
    static QString logLine(QHttpServerRequest::Method method, const QUrl& url, int status, double ms);

    // Set on a socket whose answer is held back: later requests on it are dropped, and it closes
    // once the answer is out, so that answers never overtake one another.
    static constexpr const char* heldProperty = "vantorel.held";
    // The text of the 429 for an address that spent its guessing budget. It names no family and
    // says nothing of the code sent.
    static QString tooManyAttemptsMessage();

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    // What a route needs of a request, copied off the socket's thread.
    struct Incoming
    {
        QHttpServerRequest::Method method = QHttpServerRequest::Method::Unknown;
        QUrl url;
        QUrlQuery query;
        QByteArray body;
        QHostAddress remoteAddress;
        QList<QPair<QByteArray, QByteArray>> headers;

        // The first value of a header, by its lower-case name.
        QByteArray header(const QByteArray& lowerCaseName) const
        {
            for (const auto& [name, value] : headers) {
                if (name.toLower() == lowerCaseName) {
                    return value;
                }
            }
            return {};
        }
    };
    // An answer on its way back to a connection, in the connection's queue.
    struct Answer
    {
        ApiReply reply;
        bool ready = false;
        // Written with "Connection: close", and the connection closed after it.
        bool close = false;
        // The answer as written; empty until made.
        QByteArray wire;
        QString logLine;
        std::chrono::steady_clock::time_point arrived;
    };

    // The answer to `request`; `holdMs` is set when the answer must be held back. Runs on a pool
    // thread with that thread's routes.
    ApiReply dispatch(const QList<ApiRoute>& routes, const Incoming& request, int* holdMs);
    ApiReply runRoute(const ApiRoute& route, const RouteRequest& request);
    void countFailure(const Incoming& request);
    void answered(QTcpSocket* socket, const std::shared_ptr<Answer>& answer, int holdMs);
    void writeReady(QTcpSocket* socket);
    // Called from the pool's threads: `deliver` runs on this object's thread.
    void handBack(std::function<void()> deliver);
    void deliverHandedBack();

    ServerOptions m_options;
    // Only with --stage-timings; outlives the pool, whose threads add to it.
    std::unique_ptr<StageTimings> m_timings;
    std::unique_ptr<DatabasePool> m_pool;
    ConnectionTable* m_connections = nullptr;
    // Used from the pool's threads.
    std::mutex m_throttleMutex;
    FamilyCodeThrottle m_throttle;
    QHash<QTcpSocket*, std::deque<std::shared_ptr<Answer>>> m_answers;
    // Answers finished on the pool's threads, delivered together: a batch of writes finishes
    // many at once, and one wake-up of the event loop serves them all.
    std::mutex m_handedBackMutex;
    std::vector<std::function<void()>> m_handedBack;
    QList<quint16> m_ports;
};
