#include "Protocol/UnlockRecords.h"

#include "Protocol/WireCoding.h"

#include <algorithm>

using namespace Qt::StringLiterals;
using WireCoding::field;

VANTOREL_WIRE_RECORD(UnlockRequest, field(u"id"_s, &UnlockRequest::id),
                     field(u"familyId"_s, &UnlockRequest::familyId),
                     field(u"childDeviceId"_s, &UnlockRequest::childDeviceId),
                     field(u"requestedMinutes"_s, &UnlockRequest::requestedMinutes),
                     field(u"reason"_s, &UnlockRequest::reason), field(u"status"_s, &UnlockRequest::status),
                     field(u"decidedBy"_s, &UnlockRequest::decidedBy),
                     field(u"decidedAt"_s, &UnlockRequest::decidedAt),
                     field(u"createdAt"_s, &UnlockRequest::createdAt),
                     field(u"updatedAt"_s, &UnlockRequest::updatedAt))

VANTOREL_WIRE_RECORD(UnlockRequestListResponse,
                     WireCoding::listOrEmpty(u"items"_s, &UnlockRequestListResponse::items))

UnlockRequestPayload UnlockRequestPayload::make(std::optional<qint64> requestedMinutes,
                                                const std::optional<QString>& reason)
{
    UnlockRequestPayload result;
    if (requestedMinutes && *requestedMinutes >= 1) {
        result.requestedMinutes = requestedMinutes;
    }
    if (reason) {
        // Only spaces and tabs count as blank here; a line break is content.
        const bool blank
            = std::all_of(reason->cbegin(), reason->cend(), [](QChar c) { return c == u' ' || c == u'\t'; });
        if (!blank) {
            result.reason = reason;
        }
    }
    return result;
}

VANTOREL_WIRE_RECORD(UnlockRequestPayload,
                     field(u"requestedMinutes"_s, &UnlockRequestPayload::requestedMinutes),
                     field(u"reason"_s, &UnlockRequestPayload::reason))

UnlockDecisionPayload UnlockDecisionPayload::make(const QString& action, std::optional<qint64> extendMinutes)
{
    UnlockDecisionPayload result { action, std::nullopt };
    if (extendMinutes && *extendMinutes >= 1) {
        result.extendMinutes = extendMinutes;
    }
    return result;
}

VANTOREL_WIRE_RECORD(UnlockDecisionPayload, field(u"action"_s, &UnlockDecisionPayload::action),
                     field(u"extendMinutes"_s, &UnlockDecisionPayload::extendMinutes))
