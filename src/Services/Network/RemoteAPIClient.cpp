#include "Services/Network/RemoteAPIClient.h"

#include "Models/DeviceTokenStore.h"
#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicy.h"
#include "Protocol/DecodingError.h"
#include "Protocol/SerializationError.h"
#include "Protocol/UsageRecords.h"
#include "Protocol/WireCoding.h"
#include "Services/Network/ModelPayloads.h"
#include "Services/Network/RemoteAPIError.h"
#include "Services/Network/URLError.h"
#include "Services/Network/UserFriendlyMessage.h"

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
    RemoteAPIClient client(url, session ? session : &config.network());
    client.setDeviceToken(DeviceTokenStore::load(config.keychain()));
    return client;
}

RemoteAPIClient::RemoteAPIClient(const QUrl& baseURL, QNetworkAccessManager* session)
    : m_baseURL(baseURL)
    , m_session(session)
    , m_timeout(g_defaultTimeout)
{
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

void RemoteAPIClient::ensureSuccess(const std::optional<int>& statusCode, const QByteArray& data)
{
    if (!statusCode || (*statusCode >= 200 && *statusCode <= 299)) {
        return;
    }
    QString message = u"unknown error"_s;
    std::optional<QString> localized;
    QString reason;
    try {
        const auto body = WireCoding::decodeDocument<ErrorResponse>(data);
        if (body.error) {
            message = *body.error;
        }
        localized = body.message;
        reason = body.reason.value_or(QString());
    } catch (const DecodingError&) {
        // An unreadable error body still fails the call, with the generic text.
    }
    throw RemoteAPIError::serverError(*statusCode, message, localized, reason);
}

bool RemoteAPIClient::isTransientURLError(const std::exception& error)
{
    const auto* urlError = dynamic_cast<const URLError*>(&error);
    if (!urlError) {
        return false;
    }
    switch (urlError->code()) {
    case URLError::Code::timedOut:
    case URLError::Code::networkConnectionLost:
    case URLError::Code::notConnectedToInternet:
    case URLError::Code::cannotConnectToHost:
    case URLError::Code::cannotFindHost:
    case URLError::Code::secureConnectionFailed:
        return true;
    default:
        return false;
    }
}

const PolicyResponseDecoder& RemoteAPIClient::policyResponseDecoder()
{
    static const PolicyResponseDecoder decoder;
    return decoder;
}

QCoro::Task<CreateFamilyResponse> RemoteAPIClient::createFamily() const
{
    const auto url = endpointURL(u"api/v1/families"_s);
    // No body, but the content type is declared all the same.
    auto task = exchange(Method::POST, url, QByteArray());
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<CreateFamilyResponse>(data);
}

QCoro::Task<RegisterDeviceResponse>
RemoteAPIClient::registerDevice(QString familyCode, RemoteDeviceRole role, QString name,
                                std::optional<QString> invitationCode) const
{
    const RegisterDevicePayload body { rawValue(role), name, invitationCode };
    const auto url = endpointURL(u"api/v1/families"_s, { familyCode, u"devices"_s });
    auto task = exchange(Method::POST, url, WireCoding::encode(body.toJson()));
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<RegisterDeviceResponse>(data);
}

QCoro::Task<ParentInvitationResponse> RemoteAPIClient::createParentInvitation(QString familyCode) const
{
    const auto url = endpointURL(u"api/v1/families"_s, { familyCode, u"parent-invitations"_s });
    auto task = exchange(Method::POST, url, QByteArray("{}"));
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<ParentInvitationResponse>(data);
}

QCoro::Task<QList<DeviceListItem>> RemoteAPIClient::fetchDevices(QString familyCode) const
{
    // The retry outlives this call's first suspension, so it works on its own copy of the client.
    auto task = retryingOnceOnTransientError<QList<DeviceListItem>>(
        [client = *this, familyCode] { return client.fetchDevicesOnce(familyCode); });
    co_return co_await task;
}

QCoro::Task<QList<DeviceListItem>> RemoteAPIClient::fetchDevicesOnce(QString familyCode) const
{
    const auto url = endpointURL(u"api/v1/families"_s, { familyCode, u"devices"_s });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<ListDevicesResponse>(data).devices;
}

QCoro::Task<DeviceListItem> RemoteAPIClient::fetchOwnDevice(QString deviceID, QString familyCode) const
{
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID }, { { u"familyCode"_s, familyCode } });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<DeviceListItem>(data);
}

QCoro::Task<> RemoteAPIClient::patchChildDeviceDisplayName(QString deviceID, QString familyCode,
                                                           QString name) const
{
    const RenameDevicePayload body { name };
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID }, { { u"familyCode"_s, familyCode } });
    auto task = exchange(Method::PATCH, url, WireCoding::encode(body.toJson()));
    co_await task;
}

QCoro::Task<> RemoteAPIClient::deleteDevice(QString deviceID, QString familyCode) const
{
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID }, { { u"familyCode"_s, familyCode } });
    auto task = exchange(Method::DELETE, url);
    co_await task;
}

QCoro::Task<DevicePolicyResponse> RemoteAPIClient::fetchPolicy(QString deviceID) const
{
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"policy"_s });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return policyResponseDecoder().decode(data);
}

QCoro::Task<> RemoteAPIClient::upsertPolicy(QString deviceID, ScreenTimePolicy policy,
                                            QVariantMap selectionPayload) const
{
    // A selection that JSON cannot carry fails here, before anything is sent.
    const UpsertPolicyPayload body { policyPayload(policy),
                                     WireCoding::jsonObjectFromVariantMap(selectionPayload) };
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"policy"_s });
    auto task = exchange(Method::PUT, url, WireCoding::encode(body.toJson()));
    co_await task;
}

QCoro::Task<qint64> RemoteAPIClient::fetchTodayUsageSeconds(QString deviceID) const
{
    auto task = fetchTodayUsage(std::move(deviceID));
    const auto response = co_await task;
    co_return response.todayUsageSeconds;
}

QCoro::Task<TodayUsageResponse> RemoteAPIClient::fetchTodayUsage(QString deviceID) const
{
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"usage"_s, u"today"_s });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return TodayUsageResponse::fromBody(data);
}

QCoro::Task<> RemoteAPIClient::reportTodayUsage(QString deviceID, qint64 todayUsageSeconds,
                                                std::optional<QDateTime> sampledAt) const
{
    const TodayUsagePayload body { todayUsageSeconds, sampledAt };
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"usage"_s, u"today"_s });
    auto task = exchange(Method::PUT, url, WireCoding::encode(body.toJson()));
    co_await task;
}

QCoro::Task<> RemoteAPIClient::upsertUsageSessions(QString deviceID, QString usageDate, QString source,
                                                   QList<QVariantMap> sessions) const
{
    UsageSessionsPayload body { usageDate, source, {} };
    // Sent exactly as stored; a value JSON cannot carry fails here, before anything is sent.
    for (const auto& session : sessions) {
        body.sessions.append(WireCoding::jsonObjectFromVariantMap(session));
    }
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"usage"_s, u"sessions"_s });
    auto task = exchange(Method::POST, url, WireCoding::encode(body.toJson()));
    co_await task;
}

QCoro::Task<> RemoteAPIClient::putDeviceHealth(QString deviceID, PutDeviceHealthPayload body) const
{
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"health"_s });
    auto task = exchange(Method::PUT, url, body.encoded());
    co_await task;
}

QCoro::Task<DeviceHealthSnapshot> RemoteAPIClient::getDeviceHealth(QString deviceID, QString familyCode) const
{
    const auto url
        = endpointURL(u"api/v1/devices"_s, { deviceID, u"health"_s }, { { u"familyCode"_s, familyCode } });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<DeviceHealthSnapshot>(data);
}

QCoro::Task<> RemoteAPIClient::requestUnlock(QString deviceID, std::optional<qint64> requestedMinutes,
                                             std::optional<QString> reason) const
{
    const auto body = UnlockRequestPayload::make(requestedMinutes, reason);
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"unlock-requests"_s });
    auto task = exchange(Method::POST, url, WireCoding::encode(body.toJson()));
    co_await task;
}

QCoro::Task<QList<UnlockRequest>> RemoteAPIClient::fetchUnlockRequests(QString familyCode,
                                                                       QString status) const
{
    // The retry outlives this call's first suspension, so it works on its own copy of the client.
    auto task = retryingOnceOnTransientError<QList<UnlockRequest>>(
        [client = *this, familyCode, status] { return client.fetchUnlockRequestsOnce(familyCode, status); });
    co_return co_await task;
}

QCoro::Task<QList<UnlockRequest>> RemoteAPIClient::fetchUnlockRequestsOnce(QString familyCode,
                                                                           QString status) const
{
    const auto url = endpointURL(u"api/v1/unlock-requests"_s, {},
                                 { { u"familyCode"_s, familyCode }, { u"status"_s, status } });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<UnlockRequestListResponse>(data).items;
}

QCoro::Task<QList<UnlockRequest>> RemoteAPIClient::fetchDeviceUnlockRequests(QString deviceID) const
{
    const auto url = endpointURL(u"api/v1/devices"_s, { deviceID, u"unlock-requests"_s });
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<UnlockRequestListResponse>(data).items;
}

QCoro::Task<> RemoteAPIClient::decideUnlockRequest(QString id, QString action,
                                                   std::optional<qint64> extendMinutes) const
{
    const auto body = UnlockDecisionPayload::make(action, extendMinutes);
    const auto url = endpointURL(u"api/v1/unlock-requests"_s, { id, u"decision"_s });
    auto task = exchange(Method::POST, url, WireCoding::encode(body.toJson()));
    co_await task;
}

QCoro::Task<> RemoteAPIClient::submitFeedback(FeedbackPayload body) const
{
    const auto url = endpointURL(u"api/v1/feedbacks"_s);
    auto task = exchange(Method::POST, url, WireCoding::encode(body.toJson()));
    co_await task;
}

QCoro::Task<PublicAppDisplayInfo> RemoteAPIClient::fetchPublicAppDisplayInfo() const
{
    const auto url = endpointURL(u"api/v1/public/app-display-info"_s);
    // Public and never cached: every call asks again.
    auto task = exchange(Method::GET, url);
    const auto data = co_await task;
    co_return WireCoding::decodeDocument<PublicAppDisplayInfo>(data);
}

QString userFriendlyMessage(const std::exception& error)
{
    if (const auto* apiError = dynamic_cast<const RemoteAPIError*>(&error)) {
        return apiError->errorDescription().value_or(QString());
    }
    if (dynamic_cast<const DecodingError*>(&error)) {
        return L10n::localized("数据格式异常，请刷新重试。");
    }
    if (const auto* serialization = dynamic_cast<const SerializationError*>(&error)) {
        return serialization->kind() == SerializationError::Kind::invalidJSONText
            ? L10n::localized("未能读取数据，因为它的格式不正确。")
            : L10n::localized("未能写入数据，因为它的格式不正确。");
    }
    if (const auto* urlError = dynamic_cast<const URLError*>(&error)) {
        switch (urlError->code()) {
        case URLError::Code::notConnectedToInternet:
        case URLError::Code::networkConnectionLost:
            return L10n::localized("请检查网络连接");
        case URLError::Code::timedOut:
            return L10n::localized("连接超时，请重试");
        case URLError::Code::cannotFindHost:
        case URLError::Code::cannotConnectToHost:
            return L10n::localized("无法连接服务器，请确认设备与电脑在同一 Wi‑Fi");
        default:
            return L10n::localized("网络异常，请稍后重试。");
        }
    }
    if (const auto* localized = dynamic_cast<const LocalizedError*>(&error)) {
        if (const auto description = localized->errorDescription()) {
            return *description;
        }
    }
    return L10n::localized("操作失败，请稍后重试。");
}

QString userFriendlyMessage(const std::exception_ptr& error)
{
    try {
        if (error) {
            std::rethrow_exception(error);
        }
    } catch (const std::exception& caught) {
        return userFriendlyMessage(caught);
    } catch (...) {
    }
    return L10n::localized("操作失败，请稍后重试。");
}
