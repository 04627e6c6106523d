#pragma once

#include "ApiRoute.h"
#include "FamilyCodeThrottle.h"
#include "ServerOptions.h"

#include <QAbstractHttpServer>

#include <memory>

class ServerDatabase;
struct ServerHandlers;

// The HTTP side of the server: reads a request, finds its route, turns what the route or its
// handler throws into {"error": "..."} and logs one line per request. Qt HttpServer's own router is
// not used because it answers unknown methods and paths without a JSON error and offers no place
// to time a request or to refuse a body before a route sees it.
class FamilyServer final : public QAbstractHttpServer
{
    Q_OBJECT

public:
    explicit FamilyServer(ServerOptions options, QObject* parent = nullptr);
    ~FamilyServer() override;

    // Opens the database (creating or migrating the schema) and starts listening.
    bool start(QString* error);
    quint16 port() const { return m_port; }
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
    // The answer to `request`; `holdMs` is set when the answer must be held back.
    ApiReply dispatch(const QHttpServerRequest& request, int* holdMs);
    ApiReply runRoute(const ApiRoute& route, const RouteRequest& request);
    void countFailure(const QHttpServerRequest& request);
    void answerLater(QTcpSocket* socket, const ApiReply& reply, int holdMs);

    ServerOptions m_options;
    std::unique_ptr<ServerDatabase> m_database;
    std::unique_ptr<ServerHandlers> m_handlers;
    QList<ApiRoute> m_routes;
    FamilyCodeThrottle m_throttle;
    quint16 m_port = 0;
};
