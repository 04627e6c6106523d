#include "Services/Network/WireCoding.h"

#include "Models/StrictJson.h"
#include "Services/Network/SerializationError.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace WireCoding {

namespace {

DecodingError typeMismatch(const QString& path, const QString& expected)
{
    return DecodingError(DecodingError::Kind::typeMismatch, path,
                         u"Expected to decode "_s + expected + u" but found another JSON type."_s);
}

QString joinPath(const QString& path, const QString& key)
{
    return path.isEmpty() ? key : path + u'.' + key;
}

} // namespace

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

ObjectReader::ObjectReader(const QJsonObject& object, const QString& path)
    : m_object(object)
    , m_path(path)
{
}

ObjectReader ObjectReader::from(const QJsonValue& value, const QString& path)
{
    if (!value.isObject()) {
        throw typeMismatch(path, u"an object"_s);
    }
    return ObjectReader(value.toObject(), path);
}

QString ObjectReader::pathOf(const QString& key) const
{
    return joinPath(m_path, key);
}

QJsonValue ObjectReader::present(const QString& key) const
{
    const auto value = m_object.value(key);
    if (value.isUndefined()) {
        throw DecodingError(DecodingError::Kind::keyNotFound, pathOf(key),
                            u"No value associated with key "_s + key);
    }
    if (value.isNull()) {
        throw DecodingError(DecodingError::Kind::valueNotFound, pathOf(key),
                            u"Expected a value but found null"_s);
    }
    return value;
}

QString ObjectReader::requiredString(const QString& key) const
{
    const auto value = present(key);
    if (!value.isString()) {
        throw typeMismatch(pathOf(key), u"a string"_s);
    }
    return value.toString();
}

std::optional<QString> ObjectReader::optionalString(const QString& key) const
{
    const auto member = StrictJson::stringMember(m_object.value(key));
    if (member.isWrongType()) {
        throw typeMismatch(pathOf(key), u"a string"_s);
    }
    return member.value;
}

qint64 ObjectReader::requiredInteger(const QString& key) const
{
    const auto value = StrictJson::integer(present(key));
    if (!value) {
        throw typeMismatch(pathOf(key), u"a 64-bit integer"_s);
    }
    return *value;
}

std::optional<qint64> ObjectReader::optionalInteger(const QString& key) const
{
    const auto member = StrictJson::integerMember(m_object.value(key));
    if (member.isWrongType()) {
        throw typeMismatch(pathOf(key), u"a 64-bit integer"_s);
    }
    return member.value;
}

bool ObjectReader::requiredBool(const QString& key) const
{
    const auto value = present(key);
    if (!value.isBool()) {
        throw typeMismatch(pathOf(key), u"a boolean"_s);
    }
    return value.toBool();
}

std::optional<bool> ObjectReader::optionalBool(const QString& key) const
{
    const auto member = StrictJson::booleanMember(m_object.value(key));
    if (member.isWrongType()) {
        throw typeMismatch(pathOf(key), u"a boolean"_s);
    }
    return member.value;
}

QJsonObject ObjectReader::requiredObject(const QString& key) const
{
    const auto value = present(key);
    if (!value.isObject()) {
        throw typeMismatch(pathOf(key), u"an object"_s);
    }
    return value.toObject();
}

std::optional<QJsonObject> ObjectReader::optionalObject(const QString& key) const
{
    const auto value = m_object.value(key);
    if (value.isUndefined() || value.isNull()) {
        return std::nullopt;
    }
    if (!value.isObject()) {
        throw typeMismatch(pathOf(key), u"an object"_s);
    }
    return value.toObject();
}

QJsonArray ObjectReader::requiredArray(const QString& key) const
{
    const auto value = present(key);
    if (!value.isArray()) {
        throw typeMismatch(pathOf(key), u"an array"_s);
    }
    return value.toArray();
}

std::optional<QJsonArray> ObjectReader::optionalArray(const QString& key) const
{
    const auto value = m_object.value(key);
    if (value.isUndefined() || value.isNull()) {
        return std::nullopt;
    }
    if (!value.isArray()) {
        throw typeMismatch(pathOf(key), u"an array"_s);
    }
    return value.toArray();
}

QDateTime ObjectReader::requiredDate(const QString& key) const
{
    const auto text = requiredString(key);
    const auto instant = parseISO8601(text);
    if (!instant) {
        throw DecodingError(DecodingError::Kind::dataCorrupted, pathOf(key), u"Invalid ISO8601: "_s + text);
    }
    return *instant;
}

std::optional<QDateTime> ObjectReader::optionalDate(const QString& key) const
{
    const auto text = optionalString(key);
    if (!text) {
        return std::nullopt;
    }
    const auto instant = parseISO8601(*text);
    if (!instant) {
        throw DecodingError(DecodingError::Kind::dataCorrupted, pathOf(key), u"Invalid ISO8601: "_s + *text);
    }
    return instant;
}

} // namespace WireCoding
