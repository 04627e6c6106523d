#include "Protocol/WireCoding.h"

#include "Protocol/SerializationError.h"
#include "Protocol/StrictJson.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace WireCoding {

DecodingError typeMismatch(const QString& path, const QString& expected)
{
    return DecodingError(DecodingError::Kind::typeMismatch, path,
                         u"Expected to decode "_s + expected + u" but found another JSON type."_s);
}

QString memberPath(const QString& path, const QString& key)
{
    return path.isEmpty() ? key : path + u'.' + key;
}

QJsonValue present(const QJsonValue& member, const QString& key, const QString& path)
{
    if (member.isUndefined()) {
        throw DecodingError(DecodingError::Kind::keyNotFound, path, u"No value associated with key "_s + key);
    }
    if (member.isNull()) {
        throw DecodingError(DecodingError::Kind::valueNotFound, path, u"Expected a value but found null"_s);
    }
    return member;
}

bool nestedDeeperThan(const QByteArray& data, int limit)
{
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : data) {
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) {
                return true;
            }
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

QJsonObject decodeObjectDocument(const QByteArray& data)
{
    if (nestedDeeperThan(data)) {
        throw DecodingError(DecodingError::Kind::dataCorrupted, QString(),
                            u"The given data is nested deeper than %1 levels."_s.arg(maximumDepth));
    }
    QJsonParseError error {};
    const auto document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError) {
        throw DecodingError(DecodingError::Kind::dataCorrupted, QString(),
                            u"The given data was not valid JSON: "_s + error.errorString());
    }
    if (!document.isObject()) {
        throw typeMismatch(QString(), u"an object"_s);
    }
    return document.object();
}

QByteArray encode(const QJsonObject& object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

QJsonValue jsonValueFromVariant(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
    case QMetaType::Nullptr:
        return QJsonValue::Null;
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return value.toLongLong();
    case QMetaType::ULong:
    case QMetaType::ULongLong: {
        const auto unsignedValue = value.toULongLong();
        if (unsignedValue > static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
            throw SerializationError(SerializationError::Kind::invalidValue, u"integer out of range"_s);
        }
        return static_cast<qint64>(unsignedValue);
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        const auto number = value.toDouble();
        if (!std::isfinite(number)) {
            throw SerializationError(SerializationError::Kind::invalidValue, u"non-finite number"_s);
        }
        return number;
    }
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        QJsonArray array;
        for (const auto& element : value.toList()) {
            array.append(jsonValueFromVariant(element));
        }
        return array;
    }
    case QMetaType::QVariantMap:
        return jsonObjectFromVariantMap(value.toMap());
    case QMetaType::QVariantHash: {
        const auto hash = value.toHash();
        QJsonObject object;
        for (auto it = hash.cbegin(); it != hash.cend(); ++it) {
            object.insert(it.key(), jsonValueFromVariant(it.value()));
        }
        return object;
    }
    case QMetaType::QJsonValue:
        return value.toJsonValue();
    case QMetaType::QJsonObject:
        return value.toJsonObject();
    case QMetaType::QJsonArray:
        return value.toJsonArray();
    default:
        throw SerializationError(SerializationError::Kind::invalidValue,
                                 u"value of type "_s + QString::fromUtf8(value.typeName())
                                     + u" has no JSON form"_s);
    }
}

QJsonObject jsonObjectFromVariantMap(const QVariantMap& map)
{
    QJsonObject object;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        object.insert(it.key(), jsonValueFromVariant(it.value()));
    }
    return object;
}

std::optional<QDateTime> parseISO8601(const QString& text)
{
    static const QRegularExpression pattern(
        u"^(\\d{4})-(\\d{2})-(\\d{2})T(\\d{2}):(\\d{2}):(\\d{2})(?:\\.(\\d+))?(Z|[+-]\\d{2}:\\d{2})$"_s);
    const auto match = pattern.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    int milliseconds = 0;
    if (match.hasCaptured(7)) {
        const auto digits = (match.captured(7) + u"00"_s).left(3);
        milliseconds = digits.toInt();
    }
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt(),
                     milliseconds);
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    int offsetSeconds = 0;
    const auto zone = match.captured(8);
    if (zone != u"Z"_s) {
        const int hours = zone.mid(1, 2).toInt();
        const int minutes = zone.mid(4, 2).toInt();
        if (hours > 23 || minutes > 59) {
            return std::nullopt;
        }
        offsetSeconds = (hours * 60 + minutes) * 60 * (zone.startsWith(u'-') ? -1 : 1);
    }
    const QDateTime instant(date, time, Qt::OffsetFromUTC, offsetSeconds);
    if (!instant.isValid()) {
        return std::nullopt;
    }
    return instant.toUTC();
}

QString formatISO8601(const QDateTime& instant)
{
    return instant.toUTC().toString(u"yyyy-MM-dd'T'HH:mm:ss'Z'"_s);
}

QString Coder<QString>::read(const QJsonValue& value, const QString& path)
{
    if (!value.isString()) {
        throw typeMismatch(path, u"a string"_s);
    }
    return value.toString();
}

qint64 Coder<qint64>::read(const QJsonValue& value, const QString& path)
{
    const auto integer = StrictJson::integer(value);
    if (!integer) {
        throw typeMismatch(path, u"a 64-bit integer"_s);
    }
    return *integer;
}

bool Coder<bool>::read(const QJsonValue& value, const QString& path)
{
    if (!value.isBool()) {
        throw typeMismatch(path, u"a boolean"_s);
    }
    return value.toBool();
}

QDateTime Coder<QDateTime>::read(const QJsonValue& value, const QString& path)
{
    const auto text = Coder<QString>::read(value, path);
    const auto instant = parseISO8601(text);
    if (!instant) {
        throw DecodingError(DecodingError::Kind::dataCorrupted, path, u"Invalid ISO8601: "_s + text);
    }
    return *instant;
}

QJsonObject Coder<QJsonObject>::read(const QJsonValue& value, const QString& path)
{
    if (!value.isObject()) {
        throw typeMismatch(path, u"an object"_s);
    }
    return value.toObject();
}

QJsonArray Coder<QJsonArray>::read(const QJsonValue& value, const QString& path)
{
    if (!value.isArray()) {
        throw typeMismatch(path, u"an array"_s);
    }
    return value.toArray();
}

} // namespace WireCoding
