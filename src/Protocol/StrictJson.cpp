#include "Protocol/StrictJson.h"

#include <cmath>

namespace StrictJson {

std::optional<qint64> integer(const QJsonValue& value)
{
    if (!value.isDouble()) {
        return std::nullopt;
    }
    // Qt keeps integers parsed from text exactly; toInteger() refuses anything fractional or out
    // of range, which two sentinels tell apart from a genuine value.
    const auto first = value.toInteger(0);
    const auto second = value.toInteger(1);
    if (first != second) {
        return std::nullopt;
    }
    return first;
}

std::optional<double> number(const QJsonValue& value)
{
    if (!value.isDouble()) {
        return std::nullopt;
    }
    const auto number = value.toDouble();
    if (!std::isfinite(number)) {
        return std::nullopt;
    }
    return number;
}

std::optional<bool> boolean(const QJsonValue& value)
{
    if (!value.isBool()) {
        return std::nullopt;
    }
    return value.toBool();
}

std::optional<QString> string(const QJsonValue& value)
{
    if (!value.isString()) {
        return std::nullopt;
    }
    return value.toString();
}

namespace {
template <typename T, typename Reader> Member<T> member(const QJsonValue& value, Reader reader)
{
    if (value.isUndefined() || value.isNull()) {
        return {};
    }
    auto read = reader(value);
    if (!read) {
        return { Presence::WrongType, std::nullopt };
    }
    return { Presence::Present, std::move(read) };
}
} // namespace

Member<qint64> integerMember(const QJsonValue& value)
{
    return member<qint64>(value, integer);
}

Member<double> numberMember(const QJsonValue& value)
{
    return member<double>(value, number);
}

Member<bool> booleanMember(const QJsonValue& value)
{
    return member<bool>(value, boolean);
}

Member<QString> stringMember(const QJsonValue& value)
{
    return member<QString>(value, string);
}

} // namespace StrictJson
