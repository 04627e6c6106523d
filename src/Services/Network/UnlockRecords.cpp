#include "Services/Network/UnlockRecords.h"

#include "Services/Network/WireCoding.h"

#include <algorithm>

using namespace Qt::StringLiterals;
using WireCoding::ObjectReader;

QJsonObject UnlockRequest::toJson() const
{
    QJsonObject object {
        { u"id"_s, id },         { u"familyId"_s, familyId },   { u"childDeviceId"_s, childDeviceId },
        { u"status"_s, status }, { u"createdAt"_s, createdAt }, { u"updatedAt"_s, updatedAt },
    };
    WireCoding::insertIfPresent(object, u"requestedMinutes"_s, requestedMinutes);
    WireCoding::insertIfPresent(object, u"reason"_s, reason);
    WireCoding::insertIfPresent(object, u"decidedBy"_s, decidedBy);
    WireCoding::insertIfPresent(object, u"decidedAt"_s, decidedAt);
    return object;
}

UnlockRequest UnlockRequest::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    UnlockRequest result;
    result.id = reader.requiredString(u"id"_s);
    result.familyId = reader.requiredString(u"familyId"_s);
    result.childDeviceId = reader.requiredString(u"childDeviceId"_s);
    result.requestedMinutes = reader.optionalInteger(u"requestedMinutes"_s);
    result.reason = reader.optionalString(u"reason"_s);
    result.status = reader.requiredString(u"status"_s);
    result.decidedBy = reader.optionalString(u"decidedBy"_s);
    result.decidedAt = reader.optionalString(u"decidedAt"_s);
    result.createdAt = reader.requiredString(u"createdAt"_s);
    result.updatedAt = reader.requiredString(u"updatedAt"_s);
    return result;
}

QJsonObject UnlockRequestListResponse::toJson() const
{
    return { { u"items"_s,
               WireCoding::encodeArray(items, [](const UnlockRequest& r) { return r.toJson(); }) } };
}

UnlockRequestListResponse UnlockRequestListResponse::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    const auto items = reader.optionalArray(u"items"_s);
    if (!items) {
        return {};
    }
    return { WireCoding::decodeArray<UnlockRequest>(
        *items, reader.pathOf(u"items"_s),
        [](const QJsonValue& v, const QString& p) { return UnlockRequest::fromJson(v, p); }) };
}

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

QJsonObject UnlockRequestPayload::toJson() const
{
    QJsonObject object;
    WireCoding::insertIfPresent(object, u"requestedMinutes"_s, requestedMinutes);
    WireCoding::insertIfPresent(object, u"reason"_s, reason);
    return object;
}

UnlockRequestPayload UnlockRequestPayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    return { reader.optionalInteger(u"requestedMinutes"_s), reader.optionalString(u"reason"_s) };
}

UnlockDecisionPayload UnlockDecisionPayload::make(const QString& action, std::optional<qint64> extendMinutes)
{
    UnlockDecisionPayload result { action, std::nullopt };
    if (extendMinutes && *extendMinutes >= 1) {
        result.extendMinutes = extendMinutes;
    }
    return result;
}

QJsonObject UnlockDecisionPayload::toJson() const
{
    QJsonObject object { { u"action"_s, action } };
    WireCoding::insertIfPresent(object, u"extendMinutes"_s, extendMinutes);
    return object;
}

UnlockDecisionPayload UnlockDecisionPayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    return { reader.requiredString(u"action"_s), reader.optionalInteger(u"extendMinutes"_s) };
}
