#include "Protocol/UsageRecords.h"

#include "Protocol/SerializationError.h"
#include "Protocol/StrictJson.h"
#include "Protocol/WireCoding.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

using namespace Qt::StringLiterals;
using WireCoding::field;

VANTOREL_WIRE_RECORD(TodayUsagePayload, field(u"todayUsageSeconds"_s, &TodayUsagePayload::todayUsageSeconds),
                     field(u"sampledAt"_s, &TodayUsagePayload::sampledAt))

QJsonObject TodayUsageResponse::toJson() const
{
    QJsonObject object { { u"todayUsageSeconds"_s, todayUsageSeconds } };
    if (usageDate) {
        object.insert(u"usageDate"_s, *usageDate);
    }
    return object;
}

namespace {
// A day written yyyy-MM-dd, or nothing: a day the client cannot compare is no day at all.
std::optional<QString> dayOf(const QJsonValue& member)
{
    const auto text = member.toString();
    if (text.size() != 10 || !QDate::fromString(text, u"yyyy-MM-dd"_s).isValid()) {
        return std::nullopt;
    }
    return text;
}

qint64 secondsOf(const QJsonValue& member)
{
    if (const auto integer = StrictJson::integer(member)) {
        return *integer;
    }
    const auto number = StrictJson::number(member);
    if (!number) {
        return 0;
    }
    const auto truncated = std::trunc(*number);
    // 2^63 is exactly representable; everything from it upward, and below -2^63, does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (truncated >= limit || truncated < -limit) {
        return 0;
    }
    return static_cast<qint64>(truncated);
}
} // namespace

TodayUsageResponse TodayUsageResponse::fromBody(const QByteArray& body)
{
    if (WireCoding::nestedDeeperThan(body)) {
        throw DecodingError(
            DecodingError::Kind::dataCorrupted, QString(),
            u"The given data is nested deeper than %1 levels."_s.arg(WireCoding::maximumDepth));
    }
    QJsonParseError error {};
    const auto document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError) {
        throw SerializationError(SerializationError::Kind::invalidJSONText, error.errorString());
    }
    if (!document.isObject()) {
        return {};
    }
    const auto object = document.object();
    return { secondsOf(object.value(u"todayUsageSeconds"_s)), dayOf(object.value(u"usageDate"_s)) };
}

VANTOREL_WIRE_RECORD(UsageSessionPayload, field(u"startAt"_s, &UsageSessionPayload::startAt),
                     field(u"endAt"_s, &UsageSessionPayload::endAt),
                     field(u"appBundleId"_s, &UsageSessionPayload::appBundleId),
                     field(u"durationSeconds"_s, &UsageSessionPayload::durationSeconds))

VANTOREL_WIRE_RECORD(UsageSessionsPayload, field(u"usageDate"_s, &UsageSessionsPayload::usageDate),
                     field(u"source"_s, &UsageSessionsPayload::source),
                     field(u"sessions"_s, &UsageSessionsPayload::sessions))

QList<UsageSessionPayload> UsageSessionsPayload::sessionRecords() const
{
    return WireCoding::decodeArray<UsageSessionPayload>(sessions, u"sessions"_s,
                                                        WireCoding::Coder<UsageSessionPayload>::read);
}
