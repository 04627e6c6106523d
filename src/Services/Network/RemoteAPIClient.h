#pragma once

#include "Models/RemoteDeviceRole.h"
#include "Protocol/DeviceRecords.h"
#include "Protocol/ErrorResponse.h"
#include "Protocol/FamilyRecords.h"
#include "Protocol/FeedbackRecords.h"
#include "Protocol/HealthRecords.h"
#include "Protocol/PolicyRecords.h"
#include "Protocol/PolicyResponseDecoder.h"
#include "Protocol/PublicDisplayInfoRecords.h"
#include "Protocol/UnlockRecords.h"
#include "Protocol/UsageRecords.h"

#include <QByteArray>
#include <QCoroTask>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QVariantMap>

#include <chrono>
#include <exception>
#include <optional>
#include <utility>

class QNetworkAccessManager;
class RemoteBackendConfig;
struct ScreenTimePolicy;

// The client of the family server: a small value holding the base address, the HTTP session, the
// request time-out and, once this computer has registered, its device token; no login or cookie. Every
// operation is a `QCoro::Task` that runs on the calling (main) thread and throws `RemoteAPIError`,
// `URLError`, `DecodingError` or `SerializationError`; `userFriendlyMessage` turns any of them into the text
// a screen shows.
//
// g++ 12 destroys a temporary made inside a `co_await` expression twice; so bind the task first
// (`auto task = client.fetchPolicy(id); auto policy = co_await task;`) and never write
// `co_await client.fetchPolicy(u"…"_s)` with a temporary argument.
//
// Lifetime: an operation reads the client only before its first suspension, so a client made as
// a temporary (`RemoteAPIClient::make(config)->fetchPolicy(id)`) is safe to use.
class RemoteAPIClient final
{
public:
    using ErrorResponse = ::ErrorResponse;

    // The answer of one exchange; `statusCode` is absent for an answer that is not HTTP.
    struct Response
    {
        std::optional<int> statusCode;
        QByteArray data;
    };

    enum class Method
    {
        GET,
        POST,
        PUT,
        PATCH,
        DELETE
    };
    static QByteArray methodName(Method method);

    static constexpr std::chrono::milliseconds standardRequestTimeout { 60'000 };
    // A larger answer aborts the exchange with `URLError::Code::dataLengthExceedsMaximum`: no
    // legitimate answer comes near it, and a broken or hostile server must not exhaust memory.
    static constexpr qint64 maximumResponseBytes = 4 * 1024 * 1024;

    // Absent when the configured base address is not a URL (screens then show
    // `RemoteAPIError::invalidConfiguration()`'s text). `session` defaults to the configuration's.
    static std::optional<RemoteAPIClient> make(const RemoteBackendConfig& config,
                                               QNetworkAccessManager* session = nullptr);
    RemoteAPIClient(const QUrl& baseURL, QNetworkAccessManager* session);

    QUrl baseURL() const { return m_baseURL; }
    QNetworkAccessManager* session() const { return m_session; }
    // Sent as "Authorization: Bearer <token>" with every request when present; `make` takes it
    // from the secure store.
    std::optional<QString> deviceToken() const { return m_deviceToken; }
    void setDeviceToken(const std::optional<QString>& token) { m_deviceToken = token; }
    // Whole-exchange deadline; exceeding it raises `URLError::Code::timedOut`.
    std::chrono::milliseconds requestTimeout() const { return m_timeout; }
    void setRequestTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }

    // The time-out given to clients made from now on (60 s unless a test shortens it).
    static std::chrono::milliseconds defaultRequestTimeout();
    static void setDefaultRequestTimeout(std::chrono::milliseconds timeout);

    // Throws `RemoteAPIError::serverError` for an HTTP status outside 200…299, with the body's
    // "error" text or "unknown error". A non-HTTP answer is not checked.
    static void ensureSuccess(const std::optional<int>& statusCode, const QByteArray& data);
    // Timed out, connection lost, not connected, cannot connect, cannot find host, secure
    // connection failed. Nothing else, and never a `RemoteAPIError`.
    static bool isTransientURLError(const std::exception& error);
    static const PolicyResponseDecoder& policyResponseDecoder();

    // Runs `attempt` and, when it fails with a transient network error, once more at once; the
    // second attempt's result or error is what counts. `attempt` is called as `attempt()` and
    // returns `QCoro::Task<T>` (T not void); it must own what it uses.
    template <typename T, typename Attempt>
    static QCoro::Task<T> retryingOnceOnTransientError(Attempt attempt);

    // The base address + `prefix` (a fixed path such as "api/v1/devices") + each component,
    // percent-encoded as one path segment, + the query items in order, percent-encoded. A
    // component "." or ".." cannot be one segment and raises `URLError::Code::badURL`.
    QUrl endpointURL(const QString& prefix, const QStringList& components = {},
                     const QList<std::pair<QString, QString>>& query = {}) const;

    // Policy and usage
    QCoro::Task<DevicePolicyResponse> fetchPolicy(QString deviceID) const;
    QCoro::Task<> upsertPolicy(QString deviceID, ScreenTimePolicy policy, QVariantMap selectionPayload) const;
    QCoro::Task<qint64> fetchTodayUsageSeconds(QString deviceID) const;
    // The same answer with the server's day of the count.
    QCoro::Task<TodayUsageResponse> fetchTodayUsage(QString deviceID) const;
    QCoro::Task<> reportTodayUsage(QString deviceID, qint64 todayUsageSeconds,
                                   std::optional<QDateTime> sampledAt) const;
    QCoro::Task<> upsertUsageSessions(QString deviceID, QString usageDate, QString source,
                                      QList<QVariantMap> sessions) const;

    // Families and devices
    QCoro::Task<CreateFamilyResponse> createFamily() const;
    // A parent computer joining a secured family passes the invitation another parent made.
    QCoro::Task<RegisterDeviceResponse>
    registerDevice(QString familyCode, RemoteDeviceRole role, QString name,
                   std::optional<QString> invitationCode = std::nullopt) const;
    // A one-time code that lets one more parent computer join this family for a while.
    QCoro::Task<ParentInvitationResponse> createParentInvitation(QString familyCode) const;
    // Retries once on a transient network error.
    QCoro::Task<QList<DeviceListItem>> fetchDevices(QString familyCode) const;
    // GET api/v1/devices/{id}?familyCode=: this computer's own record, readable with its own
    // token; "device not found" once a parent has removed it.
    QCoro::Task<DeviceListItem> fetchOwnDevice(QString deviceID, QString familyCode) const;
    QCoro::Task<> patchChildDeviceDisplayName(QString deviceID, QString familyCode, QString name) const;
    QCoro::Task<> deleteDevice(QString deviceID, QString familyCode) const;

    // Device health
    QCoro::Task<> putDeviceHealth(QString deviceID, PutDeviceHealthPayload body) const;
    QCoro::Task<DeviceHealthSnapshot> getDeviceHealth(QString deviceID, QString familyCode) const;

    // Unlock requests
    QCoro::Task<> requestUnlock(QString deviceID, std::optional<qint64> requestedMinutes,
                                std::optional<QString> reason) const;
    // Retries once on a transient network error.
    QCoro::Task<QList<UnlockRequest>> fetchUnlockRequests(QString familyCode, QString status) const;
    QCoro::Task<> decideUnlockRequest(QString id, QString action, std::optional<qint64> extendMinutes) const;
    // GET api/v1/devices/{id}/unlock-requests: this child's own recent requests, newest first.
    QCoro::Task<QList<UnlockRequest>> fetchDeviceUnlockRequests(QString deviceID) const;

    // Public display information and feedback
    QCoro::Task<PublicAppDisplayInfo> fetchPublicAppDisplayInfo() const;
    QCoro::Task<> submitFeedback(FeedbackPayload body) const;

    // One exchange: GET without a body, anything else with `body` (JSON, so "Content-Type:
    // application/json") or without. Transport failures raise `URLError`; the status is not
    // checked here.
    QCoro::Task<Response> send(Method method, QUrl url, std::optional<QByteArray> body = std::nullopt) const;

private:
    // `send` followed by `ensureSuccess`; the body of a successful answer.
    QCoro::Task<QByteArray> exchange(Method method, QUrl url,
                                     std::optional<QByteArray> body = std::nullopt) const;
    QCoro::Task<QList<DeviceListItem>> fetchDevicesOnce(QString familyCode) const;
    QCoro::Task<QList<UnlockRequest>> fetchUnlockRequestsOnce(QString familyCode, QString status) const;

    QUrl m_baseURL;
    QNetworkAccessManager* m_session = nullptr;
    std::chrono::milliseconds m_timeout;
    std::optional<QString> m_deviceToken;
};

template <typename T, typename Attempt>
QCoro::Task<T> RemoteAPIClient::retryingOnceOnTransientError(Attempt attempt)
{
    try {
        auto first = attempt();
        co_return co_await first;
    } catch (const std::exception& error) {
        if (!isTransientURLError(error)) {
            throw;
        }
    }
    auto second = attempt();
    co_return co_await second;
}
