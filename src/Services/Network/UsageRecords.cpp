#include "Services/Network/UsageRecords.h"

#include "Models/StrictJson.h"
#include "Services/Network/SerializationError.h"
#include "Services/Network/WireCoding.h"

#include <QJsonDocument>
#include <QJsonParseError>

#include <cmath>

using namespace Qt::StringLiterals;
using WireCoding::ObjectReader;

QJsonObject TodayUsagePayload::toJson() const
{
    QJsonObject object { { u"todayUsageSeconds"_s, todayUsageSeconds } };
    if (sampledAt) {
        object.insert(u"sampledAt"_s, WireCoding::formatISO8601(*sampledAt));
    }
    return object;
}

TodayUsagePayload TodayUsagePayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    TodayUsagePayload result;
    result.todayUsageSeconds = reader.requiredInteger(u"todayUsageSeconds"_s);
    result.sampledAt = reader.optionalDate(u"sampledAt"_s);
    return result;
}

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

QJsonObject UsageSessionPayload::toJson() const
{
    return {
        { u"startAt"_s, startAt },
        { u"endAt"_s, endAt },
        { u"appBundleId"_s, appBundleId },
        { u"durationSeconds"_s, durationSeconds },
    };
}

UsageSessionPayload UsageSessionPayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    UsageSessionPayload result;
    result.startAt = reader.requiredString(u"startAt"_s);
    result.endAt = reader.requiredString(u"endAt"_s);
    result.appBundleId = reader.requiredString(u"appBundleId"_s);
    result.durationSeconds = reader.requiredInteger(u"durationSeconds"_s);
    return result;
}

QJsonObject UsageSessionsPayload::toJson() const
{
    return { { u"usageDate"_s, usageDate }, { u"source"_s, source }, { u"sessions"_s, sessions } };
}

UsageSessionsPayload UsageSessionsPayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    UsageSessionsPayload result;
    result.usageDate = reader.requiredString(u"usageDate"_s);
    result.source = reader.requiredString(u"source"_s);
    result.sessions = reader.requiredArray(u"sessions"_s);
    return result;
}

QList<UsageSessionPayload> UsageSessionsPayload::sessionRecords() const
{
    return WireCoding::decodeArray<UsageSessionPayload>(
        sessions, u"sessions"_s,
        [](const QJsonValue& v, const QString& p) { return UsageSessionPayload::fromJson(v, p); });
}
