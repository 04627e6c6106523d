#pragma once

#include <QJsonValue>
#include <QString>

#include <optional>

// Strict readers for JSON values shared by every decoder of stored and received documents.
// A JSON number is an integer only when it is integral and fits 64 bits: 3.5, 1e300 and
// 9223372036854775808 are not integers, and nothing wraps around.
namespace StrictJson {

std::optional<qint64> integer(const QJsonValue& value);
std::optional<double> number(const QJsonValue& value);
std::optional<bool> boolean(const QJsonValue& value);
std::optional<QString> string(const QJsonValue& value);

// Absent or null members count as missing; any other JSON type than the one asked for is
// reported through `wrongType` so that callers can reject a whole record.
enum class Presence
{
    Missing,
    Present,
    WrongType
};

template <typename T> struct Member
{
    Presence presence = Presence::Missing;
    std::optional<T> value;

    bool isMissing() const { return presence == Presence::Missing; }
    bool isWrongType() const { return presence == Presence::WrongType; }
};

Member<qint64> integerMember(const QJsonValue& value);
Member<double> numberMember(const QJsonValue& value);
Member<bool> booleanMember(const QJsonValue& value);
Member<QString> stringMember(const QJsonValue& value);

} // namespace StrictJson
