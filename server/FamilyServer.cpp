#include "FamilyServer.h"

#include "ApiError.h"
#include "ApiRoutes.h"
#include "BodyLimitGuard.h"
#include "ConnectionTable.h"
#include "DatabasePool.h"
#include "ErrorTexts.h"
#include "ServerDatabase.h"
#include "ServerTime.h"
#include "StageTimings.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHttpServerResponder>
#include <QJsonObject>
#include <QMetaEnum>
#include <QMutex>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <cctype>
#include <cstdio>
#include <sys/resource.h>

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
void addLocalizedMessage(ApiReply& reply, const QByteArray& acceptLanguage)
{
    if (reply.status < 400 || !reply.body || !reply.body->isObject()) {
        return;
    }
    auto object = reply.body->object();
    const auto error = object.value(u"error"_s).toString();
    object.insert(u"message"_s, ErrorTexts::localized(error, acceptLanguage));
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
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 413:
        return "Payload Too Large";
    case 429:
        return "Too Many Requests";
    case 503:
        return "Service Unavailable";
    default:
        return status >= 500 ? "Server Error" : "Status";
    }
}

// The answer as it goes on the wire. Made on the database thread that answered, so that the
// sockets' thread, which every request passes, only writes it.
QByteArray wireForm(const ApiReply& reply, bool close)
{
    const auto body = reply.body ? reply.body->toJson(QJsonDocument::Compact) : QByteArray();
    auto wire = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' + reasonPhrase(reply.status) + "\r\n";
    if (close) {
        wire += "Connection: close\r\n";
    }
    if (reply.body) {
        wire += "Content-Type: application/json\r\n";
    }
    if (reply.status != 204) {
        wire += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    }
    return wire + "\r\n" + body;
}

// Descriptors kept free of connections: the database's, the log's, a reserve for refusing.
constexpr rlim_t descriptorsBesideConnections = 64;

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
    // The pool's threads finish their current job and go before anything they use.
    m_pool.reset();
    if (m_timings) {
        QFile file(m_options.stageTimingsFile);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(m_timings->summary().toUtf8());
        } else {
            std::fprintf(stderr, "--stage-timings: cannot write %s\n", qPrintable(file.fileName()));
        }
    }
}

int FamilyServer::maximumConnections() const
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return m_options.maximumConnections;
    }
    const auto room = limit.rlim_cur > 2 * descriptorsBesideConnections
        ? limit.rlim_cur - descriptorsBesideConnections
        : limit.rlim_cur / 2;
    return int(std::min<rlim_t>(rlim_t(m_options.maximumConnections), room));
}

bool FamilyServer::start(QString* error)
{
    if (!m_options.stageTimingsFile.isEmpty()) {
        m_timings = std::make_unique<StageTimings>();
    }
    m_pool = std::make_unique<DatabasePool>(m_options, m_options.databaseThreads, m_timings.get());
    if (!m_pool->start(error)) {
        return false;
    }
    m_connections = new ConnectionTable(
        { m_options.headerTimeoutMs, m_options.idleTimeoutMs, maximumConnections() }, this);
    auto addresses = m_options.alsoListen;
    addresses.prepend({ m_options.address, m_options.port });
    for (const auto& [address, port] : std::as_const(addresses)) {
        auto* listener = new BodyLimitGuard(m_options.maximumBodyBytes, *m_connections, this);
        if (!listener->start(address, port)) {
            const auto host = address.protocol() == QAbstractSocket::IPv6Protocol
                ? u"[%1]"_s.arg(address.toString())
                : address.toString();
            *error = u"cannot listen on %1:%2: %3"_s.arg(host).arg(port).arg(listener->errorString());
            return false;
        }
        bind(listener);
        m_ports.append(listener->serverPort());
        connect(listener, &BodyLimitGuard::refused, this, [this](const QByteArray& requestLine, int status) {
            if (!m_options.logRequests) {
                return;
            }
            const auto parts = requestLine.split(' ');
            auto name = parts.value(0).toLower();
            if (!name.isEmpty()) {
                name[0] = char(std::toupper(name[0]));
            }
            const auto method
                = QMetaEnum::fromType<QHttpServerRequest::Method>().keyToValue(name.constData());
            const QUrl url(u"http://host"_s + QString::fromLatin1(parts.value(1)));
            const auto line = logLine(QHttpServerRequest::Method(std::max(method, 0)), url, status, 0);
            std::fprintf(stderr, "%s\n", line.toUtf8().constData());
        });
    }
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

void FamilyServer::countFailure(const Incoming& request)
{
    const auto address = request.remoteAddress;
    const std::lock_guard lock(m_throttleMutex);
    const auto outcome = m_throttle.recordFailure(address, ServerTime::nowMs());
    const auto& settings = m_throttle.settings();
    const auto minutes = settings.windowMs / 60000;
    const auto where = logLine(request.method, request.url, 404, 0).section(u' ', 0, 1);
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

ApiReply FamilyServer::dispatch(const QList<ApiRoute>& routes, const Incoming& request, int* holdMs)
{
    // The guard refuses an oversized body, declared or chunked, as it arrives; this is the last
    // line should a request ever get past it.
    if (request.body.size() > m_options.maximumBodyBytes) {
        return errorReply(413, u"request body larger than %1 bytes"_s.arg(m_options.maximumBodyBytes));
    }
    const auto encodedPath = request.url.path(QUrl::FullyEncoded);
    auto segments = encodedPath.split(u'/');
    if (!segments.isEmpty() && segments.constFirst().isEmpty()) {
        segments.removeFirst();
    }
    for (auto& segment : segments) {
        segment = QUrl::fromPercentEncoding(segment.toUtf8());
    }
    bool pathKnown = false;
    for (const auto& route : routes) {
        RouteRequest routeRequest;
        if (!route.matches(segments, &routeRequest.captures)) {
            continue;
        }
        pathKnown = true;
        if (route.method != request.method) {
            continue;
        }
        routeRequest.query = request.query;
        routeRequest.body = request.body;
        routeRequest.bearerToken = RouteRequest::bearerTokenOf(request.header("authorization"));
        if (!route.namesFamilyCode(routeRequest)) {
            return runRoute(route, routeRequest);
        }
        // Decided before the look-up, so that neither the refusal nor the hold depends on whether
        // this code exists.
        {
            const auto now = ServerTime::nowMs();
            const std::lock_guard lock(m_throttleMutex);
            if (m_throttle.refuses(request.remoteAddress, now)) {
                return errorReply(429, tooManyAttemptsMessage());
            }
            *holdMs = m_throttle.holdMs(request.remoteAddress, now);
        }
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
    auto incoming = std::make_shared<Incoming>();
    incoming->method = request.method();
    incoming->url = request.url();
    incoming->query = request.query();
    incoming->body = request.body();
    incoming->remoteAddress = request.remoteAddress();
    incoming->headers = request.headers();

    using Stage = StageTimings::Stage;
    using Clock = StageTimings::Clock;
    auto* const timings = m_timings.get();
    auto answer = std::make_shared<Answer>();
    if (timings) {
        answer->arrived = Clock::now();
    }
    answer->close = request.value("connection").toLower().contains("close")
        || socket->property(BodyLimitGuard::closeAfterAnswerProperty).toBool();
    auto found = m_answers.find(socket);
    if (found == m_answers.end()) {
        found = m_answers.insert(socket, {});
        connect(socket, &QObject::destroyed, this, [this, socket] { m_answers.remove(socket); });
    }
    found->push_back(answer);
    m_connections->setBusy(socket, true);

    QElapsedTimer timer;
    timer.start();
    const auto work = [this, incoming](DatabasePool::Worker& worker, int* holdMs) {
        auto reply = dispatch(worker.routes, *incoming, holdMs);
        addLocalizedMessage(reply, incoming->header("accept-language"));
        worker.database->finishStatements();
        return reply;
    };
    const auto send = [this, incoming, answer, timer, timings,
                       socket = QPointer<QTcpSocket>(socket)](ApiReply reply, int holdMs) {
        answer->reply = std::move(reply);
        answer->wire = wireForm(answer->reply, answer->close);
        if (m_options.logRequests) {
            answer->logLine = logLine(incoming->method, incoming->url, answer->reply.status,
                                      double(timer.nsecsElapsed()) / 1e6 + holdMs);
        }
        const auto sent = timings ? Clock::now() : Clock::time_point();
        handBack([this, socket, answer, holdMs, timings, sent] {
            if (timings) {
                timings->add(Stage::AnswerHop, sent, Clock::now());
            }
            if (socket) {
                answered(socket, answer, holdMs);
            }
        });
    };
    if (incoming->method == QHttpServerRequest::Method::Get) {
        m_pool->post([work, send, timings, answer](DatabasePool::Worker& worker) {
            int holdMs = 0;
            const auto started = timings ? Clock::now() : Clock::time_point();
            auto reply = work(worker, &holdMs);
            if (timings) {
                timings->add(Stage::ReadQueue, answer->arrived, started);
                timings->add(Stage::ReadWork, started, Clock::now());
            }
            send(std::move(reply), holdMs);
        });
        return true;
    }
    // The answer leaves once its write is committed: an acknowledged write is never lost.
    m_pool->postWrite(
        [work, send, timings, answer, incoming](DatabasePool::Worker& worker) -> DatabasePool::Completion {
            int holdMs = 0;
            const auto started = timings ? Clock::now() : Clock::time_point();
            auto reply = std::make_shared<ApiReply>(work(worker, &holdMs));
            const auto worked = timings ? Clock::now() : Clock::time_point();
            if (timings) {
                timings->add(Stage::WriteQueue, answer->arrived, started);
                timings->add(Stage::WriteWork, started, worked);
            }
            return [send, reply, holdMs, timings, worked, incoming](DatabasePool::WriteOutcome outcome) {
                if (timings) {
                    timings->add(Stage::WriteBatchWait, worked, Clock::now());
                }
                switch (outcome) {
                case DatabasePool::WriteOutcome::Committed:
                    break;
                case DatabasePool::WriteOutcome::DeviceNotFound: {
                    const auto missing = ApiError::deviceNotFound();
                    *reply = errorReply(missing.status(), missing.message(), missing.reason());
                    addLocalizedMessage(*reply, incoming->header("accept-language"));
                    break;
                }
                case DatabasePool::WriteOutcome::Failed:
                    *reply = errorReply(500, u"internal error"_s);
                    break;
                }
                send(std::move(*reply), holdMs);
            };
        });
    return true;
}

void FamilyServer::handBack(std::function<void()> deliver)
{
    bool first = false;
    {
        const std::lock_guard lock(m_handedBackMutex);
        first = m_handedBack.empty();
        m_handedBack.push_back(std::move(deliver));
    }
    if (first) {
        QMetaObject::invokeMethod(this, &FamilyServer::deliverHandedBack, Qt::QueuedConnection);
    }
}

void FamilyServer::deliverHandedBack()
{
    std::vector<std::function<void()>> handedBack;
    {
        const std::lock_guard lock(m_handedBackMutex);
        handedBack.swap(m_handedBack);
    }
    for (auto& deliver : handedBack) {
        deliver();
    }
}

void FamilyServer::answered(QTcpSocket* socket, const std::shared_ptr<Answer>& answer, int holdMs)
{
    if (holdMs <= 0) {
        answer->ready = true;
        writeReady(socket);
        return;
    }
    // A held answer closes its connection, and requests after it on that connection are dropped,
    // so that answers never overtake one another; a timer keeps the server serving the others.
    socket->setProperty(heldProperty, true);
    answer->close = true;
    // Made without "Connection: close"; made again when written.
    answer->wire.clear();
    QTimer::singleShot(holdMs, socket, [this, socket, answer] {
        answer->ready = true;
        writeReady(socket);
    });
}

void FamilyServer::writeReady(QTcpSocket* socket)
{
    // Written on the socket directly: Qt HttpServer's responder must be used while the request it
    // was made for is current, and the answer comes back after that.
    const auto found = m_answers.find(socket);
    if (found == m_answers.end()) {
        return;
    }
    auto& queue = found.value();
    while (!queue.empty() && queue.front()->ready) {
        const auto answer = queue.front();
        queue.pop_front();
        if (answer->wire.isEmpty()) {
            answer->wire = wireForm(answer->reply, answer->close);
        }
        socket->write(answer->wire);
        if (m_timings) {
            m_timings->add(StageTimings::Stage::InServer, answer->arrived, StageTimings::Clock::now());
        }
        if (!answer->logLine.isEmpty()) {
            std::fprintf(stderr, "%s\n", answer->logLine.toUtf8().constData());
        }
        if (answer->close) {
            queue.clear();
            socket->disconnectFromHost();
            return;
        }
    }
    if (queue.empty()) {
        m_connections->setBusy(socket, false);
    }
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
