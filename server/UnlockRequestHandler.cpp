#include "UnlockRequestHandler.h"

#include "ApiError.h"
#include "FamilyHandler.h"
#include "ServerTime.h"

using namespace Qt::StringLiterals;

namespace {

void checkMinutes(const std::optional<qint64>& minutes, const QString& name)
{
    if (minutes && (*minutes < 1 || *minutes > UnlockRequestHandler::maximumMinutes)) {
        throw ApiError::badRequest(
            u"\"%1\" must lie between 1 and %2"_s.arg(name).arg(UnlockRequestHandler::maximumMinutes));
    }
}

} // namespace

UnlockRequestHandler::UnlockRequestHandler(ServerDatabase& database, FamilyHandler& families,
                                           int requestsPerHour)
    : m_requests(database)
    , m_policies(database)
    , m_families(families)
    , m_requestsPerHour(requestsPerHour)
{
}

UnlockRequest UnlockRequestHandler::requestUnlock(const QString& deviceId,
                                                  const UnlockRequestPayload& payload)
{
    checkMinutes(payload.requestedMinutes, u"requestedMinutes"_s);
    if (payload.reason && payload.reason->size() > 500) {
        throw ApiError::badRequest(u"\"reason\" is longer than 500 characters"_s);
    }
    const auto device = m_families.existingDevice(deviceId);
    if (device.role != u"child"_s) {
        throw ApiError::badRequest(u"only a child device can ask for an unlock"_s);
    }
    const auto now = ServerTime::nowMs();
    const auto filed = m_requests.fileWithinLimit(device.familyId, deviceId, payload, now, now - 3600 * 1000,
                                                  m_requestsPerHour);
    if (!filed) {
        throw ApiError(429, u"rate limit: at most %1 unlock requests per hour"_s.arg(m_requestsPerHour));
    }
    return *filed;
}

QList<UnlockRequest> UnlockRequestHandler::deviceRequests(const QString& deviceId)
{
    m_families.existingDevice(deviceId);
    return m_requests.childRequests(deviceId, maximumListedForDevice);
}

QList<UnlockRequest> UnlockRequestHandler::requests(const QString& familyCode,
                                                    const std::optional<QString>& status)
{
    if (status && *status != u"pending"_s && *status != u"approved"_s && *status != u"rejected"_s) {
        throw ApiError::badRequest(u"\"status\" must be pending, approved or rejected"_s);
    }
    const auto family = m_families.existingFamily(familyCode);
    return m_requests.requests(family.id, status, maximumListed);
}

UnlockRequest UnlockRequestHandler::decide(const QString& requestId, const UnlockDecisionPayload& decision,
                                           const std::optional<QString>& familyCode)
{
    const auto approve = decision.action == u"approve"_s;
    if (!approve && decision.action != u"reject"_s) {
        throw ApiError::badRequest(u"\"action\" must be approve or reject"_s);
    }
    checkMinutes(decision.extendMinutes, u"extendMinutes"_s);
    if (familyCode) {
        const auto family = m_families.existingFamily(*familyCode);
        const auto request = m_requests.request(requestId);
        if (request && request->familyId != family.id) {
            throw ApiError::familyNotFound();
        }
    }
    const auto now = ServerTime::nowMs();
    const auto outcome = m_requests.decide(
        requestId, approve ? u"approved"_s : u"rejected"_s, u"parent"_s, now,
        [&](const UnlockRequest& request) {
            if (approve) {
                const auto minutes = decision.extendMinutes.value_or(defaultExtendMinutes);
                m_policies.setUnlockUntil(
                    request.childDeviceId,
                    QDateTime::fromMSecsSinceEpoch(now + minutes * 60 * 1000, QTimeZone::utc()));
            }
        });
    switch (outcome) {
    case UnlockRequestRepository::Decision::NotFound:
        throw ApiError(404, u"unlock request not found"_s);
    case UnlockRequestRepository::Decision::NotPending:
        throw ApiError(409, u"unlock request already decided"_s);
    case UnlockRequestRepository::Decision::Decided:
        break;
    }
    return *m_requests.request(requestId);
}
