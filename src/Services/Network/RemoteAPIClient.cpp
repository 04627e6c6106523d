#include "Services/Network/RemoteAPIClient.h"

#include "Models/DeviceTokenStore.h"
#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/Network/URLError.h"

#include <QCoroNetworkReply>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

// What goes on the wire. The client sets the method, the URL, on a request with a body
// "Content-Type: application/json", "Authorization: Bearer <token>" once the computer holds a
// device token, and "Accept-Language" in the interface's language (so that the server's error
// texts match the screen rather than the system locale); nothing else: no accept header, no
// user agent of its own, and no cookies (cookie loading and saving are switched to manual, so
// the session's jar is neither read nor written). Qt's HTTP stack always adds some headers of its
// own that cannot be switched off: "Host", "Connection: Keep-Alive", "Accept-Encoding: gzip,
// deflate" (it then undoes the compression itself), and
// "User-Agent: Mozilla/5.0"; a request with a body also carries "Content-Length". Redirects
// follow Qt's default policy (never from HTTPS to HTTP).

namespace {

QPointer<QNetworkAccessManager> g_sessionOverride;
std::chrono::milliseconds g_defaultTimeout = RemoteAPIClient::standardRequestTimeout;

// Qt gives connection, proxy and "unknown network" failures values below 200; content, protocol
// and server errors (200…499) come with an HTTP answer when the server sent one.
bool isTransportFailure(QNetworkReply::NetworkError error)
{
    return static_cast<int>(error) < 200;
}

QString encodedSegment(const QString& component)
{
    // "." and ".." would address "this" or the parent folder, and no percent-encoding survives:
    // the dot is an unreserved character, which URL handling decodes and then normalises away.
    if (component == u"."_s || component == u".."_s) {
        throw URLError(URLError::Code::badURL, u"A path component cannot be a dot segment."_s);
    }
    return QString::fromLatin1(QUrl::toPercentEncoding(component));
}

struct ExchangeState
{
    QByteArray data;
    bool timedOut = false;
    bool tooLarge = false;
};

} // namespace

std::optional<RemoteAPIClient> RemoteAPIClient::make(const RemoteBackendConfig& config,
                                                     QNetworkAccessManager* session)
{
    const QUrl url(config.baseURLString(), QUrl::StrictMode);
    if (!url.isValid()) {
        return std::nullopt;
    }
    RemoteAPIClient client(url, session ? session : sharedSession());
    client.setDeviceToken(DeviceTokenStore::load());
    return client;
}

RemoteAPIClient::RemoteAPIClient(const QUrl& baseURL, QNetworkAccessManager* session)
    : m_baseURL(baseURL)
    , m_session(session ? session : sharedSession())
    , m_timeout(g_defaultTimeout)
{
}

QNetworkAccessManager* RemoteAPIClient::sharedSession()
{
    if (g_sessionOverride) {
        return g_sessionOverride;
    }
    // Made on first use and kept for the life of the process, like the stores.
    static QNetworkAccessManager* const session = new QNetworkAccessManager;
    return session;
}

void RemoteAPIClient::setSharedSession(QNetworkAccessManager* session)
{
    g_sessionOverride = session;
}

std::chrono::milliseconds RemoteAPIClient::defaultRequestTimeout()
{
    return g_defaultTimeout;
}

void RemoteAPIClient::setDefaultRequestTimeout(std::chrono::milliseconds timeout)
{
    g_defaultTimeout = timeout;
}

QUrl RemoteAPIClient::endpointURL(const QString& prefix, const QStringList& components,
                                  const QList<std::pair<QString, QString>>& query) const
{
    QUrl url = m_baseURL;
    auto path = url.path(QUrl::FullyEncoded);
    if (!path.endsWith(u'/')) {
        path += u'/';
    }
    path += prefix;
    for (const auto& component : components) {
        path += u'/' + encodedSegment(component);
    }
    url.setPath(path, QUrl::TolerantMode);
    if (!query.isEmpty()) {
        QStringList items;
        for (const auto& [name, value] : query) {
            items.append(
                QString::fromLatin1(QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value)));
        }
        url.setQuery(items.join(u'&'), QUrl::TolerantMode);
    }
    return url;
}

QByteArray RemoteAPIClient::methodName(Method method)
{
    switch (method) {
    case Method::GET:
        return "GET";
    case Method::POST:
        return "POST";
    case Method::PUT:
        return "PUT";
    case Method::PATCH:
        return "PATCH";
    case Method::DELETE:
        break;
    }
    return "DELETE";
}

QCoro::Task<RemoteAPIClient::Response> RemoteAPIClient::send(Method method, QUrl url,
                                                             std::optional<QByteArray> body) const
{
    // Everything taken from the client is read here, before the first suspension.
    QNetworkAccessManager* const session = m_session;
    const auto timeout = m_timeout;
    const auto token = m_deviceToken;

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    if (body) {
        request.setRawHeader("Content-Type", "application/json");
    }
    request.setRawHeader("Accept-Language", L10n::interfaceLanguageTag().toLatin1());
    if (token && !token->isEmpty()) {
        request.setRawHeader("Authorization", "Bearer " + token->toUtf8());
    }

    QNetworkReply* rawReply = nullptr;
    if (method == Method::GET) {
        rawReply = session->get(request);
    } else if (method == Method::POST) {
        rawReply = session->post(request, body.value_or(QByteArray()));
    } else if (method == Method::PUT) {
        rawReply = session->put(request, body.value_or(QByteArray()));
    } else if (method == Method::DELETE && !body) {
        rawReply = session->deleteResource(request);
    } else if (body) {
        rawReply = session->sendCustomRequest(request, methodName(method), *body);
    } else {
        rawReply = session->sendCustomRequest(request, methodName(method));
    }
    const std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> reply(
        rawReply, [](QNetworkReply* r) { r->deleteLater(); });

    ExchangeState state;
    // Connections live as long as this frame: destroying `guard` cuts them even if the reply
    // outlives the exchange until its deferred deletion. Aborts are queued so that the exchange
    // never resumes from inside one of its own handlers.
    QObject guard;
    const auto abortSoon
        = [r = reply.get()] { QMetaObject::invokeMethod(r, &QNetworkReply::abort, Qt::QueuedConnection); };
    const auto refuse = [&state, abortSoon] {
        if (!state.tooLarge) {
            state.tooLarge = true;
            state.data.clear();
            abortSoon();
        }
    };
    const auto drain = [&state, refuse, r = reply.get()] {
        // An aborted reply is closed and has nothing left to read.
        const auto chunk = r->isOpen() ? r->readAll() : QByteArray();
        if (state.tooLarge || state.timedOut) {
            return;
        }
        state.data += chunk;
        if (state.data.size() > maximumResponseBytes) {
            refuse();
        }
    };
    QObject::connect(reply.get(), &QNetworkReply::readyRead, &guard, drain);
    QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &guard, [refuse, r = reply.get()] {
        const auto declared = r->header(QNetworkRequest::ContentLengthHeader);
        if (declared.isValid() && declared.toLongLong() > maximumResponseBytes) {
            refuse();
        }
    });
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &guard, [&state, abortSoon] {
        state.timedOut = true;
        abortSoon();
    });
    deadline.start(timeout);

    co_await reply.get();
    deadline.stop();
    drain();

    if (state.timedOut) {
        throw URLError(URLError::Code::timedOut, u"The request timed out."_s);
    }
    if (state.tooLarge) {
        throw URLError(URLError::Code::dataLengthExceedsMaximum,
                       u"The answer is larger than the client accepts."_s);
    }
    const auto status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const auto error = reply->error();
    if (error != QNetworkReply::NoError && (isTransportFailure(error) || !status.isValid())) {
        throw URLError::fromNetworkError(error, reply->errorString());
    }
    co_return Response { status.isValid() ? std::optional<int>(status.toInt()) : std::nullopt,
                         std::move(state.data) };
}

QCoro::Task<QByteArray> RemoteAPIClient::exchange(Method method, QUrl url,
                                                  std::optional<QByteArray> body) const
{
    auto task = send(method, std::move(url), std::move(body));
    const auto response = co_await task;
    ensureSuccess(response.statusCode, response.data);
    co_return response.data;
}
