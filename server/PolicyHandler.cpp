#include "PolicyHandler.h"

#include "ApiError.h"
#include "FamilyHandler.h"

using namespace Qt::StringLiterals;

namespace {

void checkTime(const TimeComponentsPayload& time, const QString& name)
{
    if (time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59) {
        throw ApiError::badRequest(u"\"%1\" must be a time of day (hour 0-23, minute 0-59)"_s.arg(name));
    }
}

} // namespace

PolicyHandler::PolicyHandler(ServerDatabase& database, FamilyHandler& families)
    : m_policies(database)
    , m_families(families)
{
}

UpsertPolicyPayload PolicyHandler::policy(const QString& deviceId)
{
    // The device and its policy in one query: a child asks for it every cycle.
    auto found = m_policies.policy(deviceId);
    if (!found.deviceExists) {
        throw ApiError::deviceNotFound();
    }
    return found.stored.value_or(UpsertPolicyPayload { PolicyRepository::defaultPolicy(), {} });
}

UpsertPolicyPayload PolicyHandler::putPolicy(const QString& deviceId, const UpsertPolicyPayload& payload)
{
    // A day has 1440 minutes; a limit beyond it is a client fault, not a rule.
    if (payload.policy.dailyLimitMinutes < 0 || payload.policy.dailyLimitMinutes > 1440) {
        throw ApiError::badRequest(u"\"dailyLimitMinutes\" must lie between 0 and 1440"_s);
    }
    checkTime(payload.policy.blockedStart, u"blockedStart"_s);
    checkTime(payload.policy.blockedEnd, u"blockedEnd"_s);
    m_families.existingDevice(deviceId);
    m_policies.put(deviceId, payload);
    return payload;
}
