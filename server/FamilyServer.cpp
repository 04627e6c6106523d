#include "FamilyServer.h"

#include "ApiError.h"
#include "ApiRoutes.h"
#include "BodyLimitGuard.h"
#include "ErrorTexts.h"
#include "ServerDatabase.h"
#include "ServerHandlers.h"
#include "ServerTime.h"

#include <QElapsedTimer>
#include <QHttpServerResponder>
#include <QJsonObject>
#include <QMetaEnum>
#include <QTcpSocket>
#include <QTimer>

#include <cctype>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QString methodName(QHttpServerRequest::Method method)
{
    const auto name = QMetaEnum::fromType<QHttpServerRequest::Method>().valueToKey(int(method));
    return name ? QString::fromLatin1(name).toUpper() : u"UNKNOWN"_s;
}

ApiReply errorReply(int status, const QString& message, const QString& reason = {})
{
    QJsonObject body { { u"error"_s, message } };
    if (!reason.isEmpty()) {
        body.insert(u"reason"_s, reason);
    }
    return ApiReply::json(body, status);
}

// "error" stays the English text clients match on; "message" says it in the caller's language.
void addLocalizedMessage(ApiReply& reply, const QHttpServerRequest& request)
{
    if (reply.status < 400 || !reply.body || !reply.body->isObject()) {
        return;
    }
    auto object = reply.body->object();
    const auto error = object.value(u"error"_s).toString();
    object.insert(u"message"_s, ErrorTexts::localized(error, request.value("Accept-Language")));
    reply.body = QJsonDocument(object);
}

bool isFamilyNotFound(const ApiReply& reply)
{
    const auto expected = ApiError::familyNotFound();
    return reply.status == expected.status() && reply.body
        && reply.body->object().value(u"error"_s).toString() == expected.message();
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 201:
        return "Created";
    case 204:
        return "No Content";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 409:
        return "Conflict";
    case 429:
        return "Too Many Requests";
    default:
        return status >= 500 ? "Server Error" : "Status";
    }
}

} // namespace

FamilyServer::FamilyServer(ServerOptions options, QObject* parent)
    : QAbstractHttpServer(parent)
    , m_options(std::move(options))
    , m_throttle(m_options.guessing)
{
}

QString FamilyServer::tooManyAttemptsMessage()
{
    return u"too many attempts from this address, try again later"_s;
}

FamilyServer::~FamilyServer()
{
    m_routes.clear();
    m_handlers.reset();
    m_database.reset();
}

bool FamilyServer::start(QString* error)
{
    m_database = std::make_unique<ServerDatabase>(m_options.database);
    if (!m_database->open(error)) {
        return false;
    }
    m_handlers = std::make_unique<ServerHandlers>(*m_database, m_options);
    m_routes = ApiRoutes::build(*m_handlers);
    auto* listener = new BodyLimitGuard(m_options.maximumBodyBytes, this);
    if (!listener->listen(m_options.address, m_options.port)) {
        *error = u"cannot listen on %1:%2: %3"_s.arg(m_options.address.toString())
                     .arg(m_options.port)
                     .arg(listener->errorString());
        return false;
    }
    bind(listener);
    connect(listener, &BodyLimitGuard::refused, this, [this](const QByteArray& requestLine, int status) {
        if (!m_options.logRequests) {
            return;
        }
        const auto parts = requestLine.split(' ');
        auto name = parts.value(0).toLower();
        if (!name.isEmpty()) {
            name[0] = char(std::toupper(name[0]));
        }
        const auto method = QMetaEnum::fromType<QHttpServerRequest::Method>().keyToValue(name.constData());
        const QUrl url(u"http://host"_s + QString::fromLatin1(parts.value(1)));
        const auto line = logLine(QHttpServerRequest::Method(std::max(method, 0)), url, status, 0);
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    });
    m_port = listener->serverPort();
    return true;
}

ApiReply FamilyServer::runRoute(const ApiRoute& route, const RouteRequest& request)
{
    try {
        return route.run(request);
    } catch (const ApiError& error) {
        return errorReply(error.status(), error.message(), error.reason());
    } catch (const DatabaseError& error) {
        std::fprintf(stderr, "database error: %s\n", error.what());
        return errorReply(500, u"internal error"_s);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "internal error: %s\n", error.what());
        return errorReply(500, u"internal error"_s);
    }
}

void FamilyServer::countFailure(const QHttpServerRequest& request)
{
    const auto address = request.remoteAddress();
    const auto outcome = m_throttle.recordFailure(address, ServerTime::nowMs());
    const auto& settings = m_throttle.settings();
    const auto minutes = settings.windowMs / 60000;
    const auto where = logLine(request.method(), request.url(), 404, 0).section(u' ', 0, 1);
    if (outcome.addressThrottled) {
        std::fprintf(
            stderr, "family-code throttle: %s refused after %d failed family-code lookups in %lld min (%s)\n",
            qPrintable(address.toString()), settings.failuresPerAddress, qint64(minutes), qPrintable(where));
    }
    if (outcome.totalReached) {
        std::fprintf(stderr,
                     "family-code throttle: %d failed family-code lookups in %lld min from all addresses; "
                     "answers to failing addresses now held %d ms (%s from %s)\n",
                     settings.failuresInTotal, qint64(minutes), settings.delayMs, qPrintable(where),
                     qPrintable(address.toString()));
    }
}

ApiReply FamilyServer::dispatch(const QHttpServerRequest& request, int* holdMs)
{
    // BodyLimitGuard refuses a declared oversized body before it arrives; a chunked one is only
    // known once Qt HttpServer has buffered it all, and is refused here, before any route.
    if (request.body().size() > m_options.maximumBodyBytes) {
        return errorReply(413, u"request body larger than %1 bytes"_s.arg(m_options.maximumBodyBytes));
    }
    const auto encodedPath = request.url().path(QUrl::FullyEncoded);
    auto segments = encodedPath.split(u'/');
    if (!segments.isEmpty() && segments.constFirst().isEmpty()) {
        segments.removeFirst();
    }
    for (auto& segment : segments) {
        segment = QUrl::fromPercentEncoding(segment.toUtf8());
    }
    bool pathKnown = false;
    for (const auto& route : std::as_const(m_routes)) {
        RouteRequest routeRequest;
        if (!route.matches(segments, &routeRequest.captures)) {
            continue;
        }
        pathKnown = true;
        if (route.method != request.method()) {
            continue;
        }
        routeRequest.query = request.query();
        routeRequest.body = request.body();
        routeRequest.bearerToken = RouteRequest::bearerTokenOf(request.value("Authorization"));
        if (!route.namesFamilyCode(routeRequest)) {
            return runRoute(route, routeRequest);
        }
        // Decided before the look-up, so that neither the refusal nor the hold depends on whether
        // this code exists.
        const auto now = ServerTime::nowMs();
        if (m_throttle.refuses(request.remoteAddress(), now)) {
            return errorReply(429, tooManyAttemptsMessage());
        }
        *holdMs = m_throttle.holdMs(request.remoteAddress(), now);
        auto reply = runRoute(route, routeRequest);
        if (isFamilyNotFound(reply)) {
            countFailure(request);
        }
        return reply;
    }
    if (pathKnown) {
        return errorReply(405, u"method not allowed"_s);
    }
    return errorReply(404, u"not found"_s);
}

bool FamilyServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    if (socket->property(BodyLimitGuard::refusedProperty).toBool()
        || socket->property(heldProperty).toBool()) {
        return true;
    }
    QElapsedTimer timer;
    timer.start();
    int holdMs = 0;
    auto reply = dispatch(request, &holdMs);
    addLocalizedMessage(reply, request);
    m_database->finishStatements();
    if (holdMs > 0) {
        answerLater(socket, reply, holdMs);
        if (m_options.logRequests) {
            const auto line = logLine(request.method(), request.url(), reply.status,
                                      double(timer.nsecsElapsed()) / 1e6 + holdMs);
            std::fprintf(stderr, "%s\n", line.toUtf8().constData());
        }
        return true;
    }
    auto responder = makeResponder(request, socket);
    const auto status = QHttpServerResponder::StatusCode(reply.status);
    if (reply.body) {
        responder.write(reply.body->toJson(QJsonDocument::Compact), "application/json"_ba, status);
    } else {
        responder.write(status);
    }
    if (m_options.logRequests) {
        const auto line
            = logLine(request.method(), request.url(), reply.status, double(timer.nsecsElapsed()) / 1e6);
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    }
    return true;
}

void FamilyServer::answerLater(QTcpSocket* socket, const ApiReply& reply, int holdMs)
{
    // Written on the socket directly: Qt HttpServer's responder must be used while the request
    // it was made for is current, and a timer on the event loop keeps the server serving others.
    socket->setProperty(heldProperty, true);
    const auto body = reply.body ? reply.body->toJson(QJsonDocument::Compact) : QByteArray();
    auto answer = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status)
        + "\r\nConnection: close\r\n";
    if (reply.body) {
        answer += "Content-Type: application/json\r\n";
    }
    answer += "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    QTimer::singleShot(holdMs, socket, [socket, answer] {
        socket->write(answer);
        socket->disconnectFromHost();
    });
}

void FamilyServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    // Unreachable while handleRequest answers everything; kept as a JSON 404 all the same.
    makeResponder(request, socket)
        .write(QJsonDocument(QJsonObject { { u"error"_s, u"not found"_s } }),
               QHttpServerResponder::StatusCode::NotFound);
}

QString FamilyServer::logLine(QHttpServerRequest::Method method, const QUrl& url, int status, double ms)
{
    auto segments = url.path(QUrl::FullyEncoded).split(u'/');
    for (qsizetype i = 1; i < segments.size(); ++i) {
        const auto& owner = segments.at(i - 1);
        if (owner == u"families"_s) {
            segments[i] = u"******"_s;
        } else if (owner == u"devices"_s || owner == u"unlock-requests"_s) {
            // Enough of a random identifier to follow one device through a log, not to use it.
            segments[i] = segments.at(i).left(4) + u"…"_s;
        }
    }
    auto path = segments.join(u'/');
    if (url.hasQuery()) {
        QUrlQuery query(url);
        auto items = query.queryItems(QUrl::FullyEncoded);
        for (auto& item : items) {
            if (item.first == u"familyCode"_s) {
                item.second = u"******"_s;
            }
        }
        query.setQueryItems(items);
        path += u'?' + query.toString(QUrl::FullyEncoded);
    }
    return u"%1 %2 %3 %4ms"_s.arg(methodName(method), path).arg(status).arg(ms, 0, 'f', 1);
}
