#include "Services/Network/ModelPayloads.h"

#include "Models/ScreenTimePolicy.h"

using namespace Qt::StringLiterals;

PolicyPayload policyPayload(const ScreenTimePolicy& policy)
{
    PolicyPayload result;
    result.dailyLimitMinutes = policy.dailyLimitMinutes;
    result.blockedStart = { policy.blockedStart.hour.value_or(0), policy.blockedStart.minute.value_or(0) };
    result.blockedEnd = { policy.blockedEnd.hour.value_or(0), policy.blockedEnd.minute.value_or(0) };
    result.forceLocked = policy.forceLocked;
    result.unlockUntil = policy.unlockUntil;
    return result;
}

namespace {

QString platformFor(RemoteDeviceRole role)
{
    switch (role) {
    case RemoteDeviceRole::parent:
        return u"mac_parent"_s;
    case RemoteDeviceRole::child:
        return u"mac_child"_s;
    case RemoteDeviceRole::unknown:
        break;
    }
    return u"mac"_s;
}

std::optional<QString> nonEmpty(const QString& text)
{
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

} // namespace

FeedbackPayload feedbackPayload(RemoteDeviceRole role, const QString& category, const QString& content,
                                const QString& contact, const QString& appVersion, const QString& osVersion,
                                const QString& deviceID, const QString& familyCode)
{
    FeedbackPayload result;
    result.platform = platformFor(role);
    result.category = category;
    result.content = content.trimmed();
    result.appVersion = appVersion;
    result.osVersion = osVersion;
    result.deviceId = nonEmpty(deviceID);
    result.familyId = nonEmpty(familyCode);
    result.contact = nonEmpty(contact.trimmed());
    return result;
}
