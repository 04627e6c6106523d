#pragma once

#include "Services/Network/DecodingError.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

// The strict reading and the writing that every wire record shares, on both ends of the wire.
// A required member that is missing, null, or of another JSON type rejects the record; an
// optional member that is missing or null is absent, one of another type rejects the record;
// members nobody asked for are ignored. Integers must be integral and fit 64 bits.
namespace WireCoding {

// The deepest nesting of arrays and objects a document from the wire may have. No record goes
// past a handful of levels (a stored selection may add a few); deeper text is refused before it
// is parsed, so that a peer cannot make either end build and walk thousands of levels.
inline constexpr int maximumDepth = 32;
// The most items one list of a record read from the wire may have: the largest legitimate list
// is a day's usage sessions, which the server also caps at this number.
inline constexpr qsizetype maximumListItems = 2000;

// Whether `data` opens more than `limit` arrays or objects inside one another (brackets inside
// strings do not count). Linear, no recursion; says nothing about whether the text is JSON.
bool nestedDeeperThan(const QByteArray& data, int limit = maximumDepth);

// Parses a whole response body. Text that is not JSON, or nested deeper than `maximumDepth`, is
// `dataCorrupted`; a document that is not an object is `typeMismatch`.
QJsonObject decodeObjectDocument(const QByteArray& data);

// Compact UTF-8 JSON text, as sent on the wire.
QByteArray encode(const QJsonObject& object);

// The loose JSON values a caller hands over as they are (selections, stored usage sessions)
// become JSON here. Anything JSON cannot say (a non-finite number, a date, a blob, a custom
// type) raises `SerializationError` so that nothing half-encoded is ever sent.
QJsonValue jsonValueFromVariant(const QVariant& value);
QJsonObject jsonObjectFromVariantMap(const QVariantMap& map);

// ISO 8601 internet date-time: first with fractional seconds, then without; "Z" or a numeric
// offset with a colon. The result is in UTC with millisecond precision (extra digits are cut).
std::optional<QDateTime> parseISO8601(const QString& text);
// UTC, no fractional seconds: 2026-12-04T06:00:00Z.
QString formatISO8601(const QDateTime& instant);

class ObjectReader
{
public:
    // `path` names the object for error messages ("" for the document, "policy", "items[2]").
    ObjectReader(const QJsonObject& object, const QString& path = QString());
    // Rejects anything but an object with `typeMismatch`.
    static ObjectReader from(const QJsonValue& value, const QString& path);

    QString requiredString(const QString& key) const;
    std::optional<QString> optionalString(const QString& key) const;
    qint64 requiredInteger(const QString& key) const;
    std::optional<qint64> optionalInteger(const QString& key) const;
    bool requiredBool(const QString& key) const;
    std::optional<bool> optionalBool(const QString& key) const;
    QJsonObject requiredObject(const QString& key) const;
    std::optional<QJsonObject> optionalObject(const QString& key) const;
    QJsonArray requiredArray(const QString& key) const;
    std::optional<QJsonArray> optionalArray(const QString& key) const;
    // A date must be a JSON string that one of the two ISO 8601 forms accepts; other text is
    // `dataCorrupted` with the description "Invalid ISO8601: " + the text.
    QDateTime requiredDate(const QString& key) const;
    std::optional<QDateTime> optionalDate(const QString& key) const;

    QString pathOf(const QString& key) const;
    const QJsonObject& object() const { return m_object; }

private:
    QJsonValue present(const QString& key) const;

    QJsonObject m_object;
    QString m_path;
};

// Decodes every element of an array with `decode(value, path)`; one bad element rejects all, and
// so does a list longer than `maximumListItems` (`dataCorrupted`).
template <typename T, typename Decode>
QList<T> decodeArray(const QJsonArray& array, const QString& path, Decode decode)
{
    if (array.size() > maximumListItems) {
        throw DecodingError(DecodingError::Kind::dataCorrupted, path,
                            QStringLiteral("The list has more than %1 items.").arg(maximumListItems));
    }
    QList<T> result;
    result.reserve(array.size());
    for (qsizetype i = 0; i < array.size(); ++i) {
        result.append(decode(array.at(i), path + QLatin1Char('[') + QString::number(i) + QLatin1Char(']')));
    }
    return result;
}

// Optional members are omitted when absent, never written as null.
template <typename T>
void insertIfPresent(QJsonObject& object, const QString& key, const std::optional<T>& value)
{
    if (value) {
        object.insert(key, *value);
    }
}

template <typename T, typename Encode> QJsonArray encodeArray(const QList<T>& items, Encode encode)
{
    QJsonArray result;
    for (const auto& item : items) {
        result.append(encode(item));
    }
    return result;
}

} // namespace WireCoding

namespace WireCoding {

// A record decoded from a whole body: `T::fromJson` applied to the parsed document.
template <typename T> T decodeDocument(const QByteArray& data)
{
    return T::fromJson(QJsonValue(decodeObjectDocument(data)), QString());
}

} // namespace WireCoding
