#include "Protocol/PolicyRecords.h"

#include "Protocol/WireCoding.h"

using namespace Qt::StringLiterals;
using WireCoding::field;

VANTOREL_WIRE_RECORD(TimeComponentsPayload, field(u"hour"_s, &TimeComponentsPayload::hour),
                     field(u"minute"_s, &TimeComponentsPayload::minute))

VANTOREL_WIRE_RECORD(PolicyPayload, field(u"dailyLimitMinutes"_s, &PolicyPayload::dailyLimitMinutes),
                     field(u"blockedStart"_s, &PolicyPayload::blockedStart),
                     field(u"blockedEnd"_s, &PolicyPayload::blockedEnd),
                     field(u"forceLocked"_s, &PolicyPayload::forceLocked),
                     field(u"unlockUntil"_s, &PolicyPayload::unlockUntil))

VANTOREL_WIRE_RECORD(DevicePolicyResponse, field(u"deviceId"_s, &DevicePolicyResponse::deviceId),
                     field(u"policy"_s, &DevicePolicyResponse::policy),
                     field(u"selection"_s, &DevicePolicyResponse::selection))

QJsonObject DevicePolicyResponse::toJson(const QJsonObject& selectionValues) const
{
    auto object = toJson();
    object.insert(u"selection"_s, selectionValues);
    return object;
}

VANTOREL_WIRE_RECORD(UpsertPolicyPayload, field(u"policy"_s, &UpsertPolicyPayload::policy),
                     field(u"selection"_s, &UpsertPolicyPayload::selection))
