#include "Services/Network/PolicyRecords.h"

#include "Models/ScreenTimePolicy.h"
#include "Services/Network/WireCoding.h"

using namespace Qt::StringLiterals;
using WireCoding::ObjectReader;

QJsonObject TimeComponentsPayload::toJson() const
{
    return { { u"hour"_s, hour }, { u"minute"_s, minute } };
}

TimeComponentsPayload TimeComponentsPayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    TimeComponentsPayload result;
    result.hour = reader.requiredInteger(u"hour"_s);
    result.minute = reader.requiredInteger(u"minute"_s);
    return result;
}

PolicyPayload PolicyPayload::fromPolicy(const ScreenTimePolicy& policy)
{
    PolicyPayload result;
    result.dailyLimitMinutes = policy.dailyLimitMinutes;
    result.blockedStart = { policy.blockedStart.hour.value_or(0), policy.blockedStart.minute.value_or(0) };
    result.blockedEnd = { policy.blockedEnd.hour.value_or(0), policy.blockedEnd.minute.value_or(0) };
    result.forceLocked = policy.forceLocked;
    result.unlockUntil = policy.unlockUntil;
    return result;
}

QJsonObject PolicyPayload::toJson() const
{
    QJsonObject object {
        { u"dailyLimitMinutes"_s, dailyLimitMinutes },
        { u"blockedStart"_s, blockedStart.toJson() },
        { u"blockedEnd"_s, blockedEnd.toJson() },
    };
    WireCoding::insertIfPresent(object, u"forceLocked"_s, forceLocked);
    if (unlockUntil) {
        object.insert(u"unlockUntil"_s, WireCoding::formatISO8601(*unlockUntil));
    }
    return object;
}

PolicyPayload PolicyPayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    PolicyPayload result;
    result.dailyLimitMinutes = reader.requiredInteger(u"dailyLimitMinutes"_s);
    result.blockedStart = TimeComponentsPayload::fromJson(reader.requiredObject(u"blockedStart"_s),
                                                          reader.pathOf(u"blockedStart"_s));
    result.blockedEnd = TimeComponentsPayload::fromJson(reader.requiredObject(u"blockedEnd"_s),
                                                        reader.pathOf(u"blockedEnd"_s));
    result.forceLocked = reader.optionalBool(u"forceLocked"_s);
    result.unlockUntil = reader.optionalDate(u"unlockUntil"_s);
    return result;
}

QJsonObject DevicePolicyResponse::toJson() const
{
    QJsonObject values;
    for (auto it = selection.cbegin(); it != selection.cend(); ++it) {
        values.insert(it.key(), it.value().toJson());
    }
    return toJson(values);
}

QJsonObject DevicePolicyResponse::toJson(const QJsonObject& selectionValues) const
{
    return { { u"deviceId"_s, deviceId },
             { u"policy"_s, policy.toJson() },
             { u"selection"_s, selectionValues } };
}

DevicePolicyResponse DevicePolicyResponse::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    DevicePolicyResponse result;
    result.deviceId = reader.requiredString(u"deviceId"_s);
    result.policy = PolicyPayload::fromJson(reader.requiredObject(u"policy"_s), reader.pathOf(u"policy"_s));
    const auto selection = reader.requiredObject(u"selection"_s);
    for (auto it = selection.constBegin(); it != selection.constEnd(); ++it) {
        result.selection.insert(it.key(), AnyDecodable::fromJson(it.value()));
    }
    return result;
}

QJsonObject UpsertPolicyPayload::toJson() const
{
    return { { u"policy"_s, policy.toJson() }, { u"selection"_s, selection } };
}

UpsertPolicyPayload UpsertPolicyPayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    UpsertPolicyPayload result;
    result.policy = PolicyPayload::fromJson(reader.requiredObject(u"policy"_s), reader.pathOf(u"policy"_s));
    result.selection = reader.requiredObject(u"selection"_s);
    return result;
}
