#pragma once

#include "Protocol/DecodingError.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

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

// The errors every reader raises: "Expected to decode <expected> but found another JSON type.";
// a missing member is `keyNotFound`, a null one `valueNotFound`.
DecodingError typeMismatch(const QString& path, const QString& expected);
QJsonValue present(const QJsonValue& member, const QString& key, const QString& path);
// "policy.blockedStart" below "policy"; just the key below the document.
QString memberPath(const QString& path, const QString& key);

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

template <typename T, typename Encode> QJsonArray encodeArray(const QList<T>& items, Encode encode)
{
    QJsonArray result;
    for (const auto& item : items) {
        result.append(encode(item));
    }
    return result;
}

// A record decoded from a whole body: `T::fromJson` applied to the parsed document.
template <typename T> T decodeDocument(const QByteArray& data)
{
    return T::fromJson(QJsonValue(decodeObjectDocument(data)), QString());
}

// How a value of C++ type T travels: `read(value, path)` from a present, non-null JSON value,
// `write(value)` to JSON. A record (the primary template) is read and written by its own
// `fromJson` and `toJson`.
template <typename T> struct Coder
{
    static T read(const QJsonValue& value, const QString& path) { return T::fromJson(value, path); }
    static QJsonValue write(const T& value) { return value.toJson(); }
};

template <> struct Coder<QString>
{
    static QString read(const QJsonValue& value, const QString& path);
    static QJsonValue write(const QString& value) { return value; }
};

// Integral and within 64 bits; 3.5, 1e300 and 9223372036854775808 are not integers.
template <> struct Coder<qint64>
{
    static qint64 read(const QJsonValue& value, const QString& path);
    static QJsonValue write(qint64 value) { return value; }
};

template <> struct Coder<bool>
{
    static bool read(const QJsonValue& value, const QString& path);
    static QJsonValue write(bool value) { return value; }
};

// Text that one of the two ISO 8601 forms accepts; other text is `dataCorrupted` with the
// description "Invalid ISO8601: " + the text. Written in UTC without fractions.
template <> struct Coder<QDateTime>
{
    static QDateTime read(const QJsonValue& value, const QString& path);
    static QJsonValue write(const QDateTime& value) { return formatISO8601(value); }
};

// Raw JSON, kept as it came.
template <> struct Coder<QJsonObject>
{
    static QJsonObject read(const QJsonValue& value, const QString& path);
    static QJsonValue write(const QJsonObject& value) { return value; }
};

template <> struct Coder<QJsonArray>
{
    static QJsonArray read(const QJsonValue& value, const QString& path);
    static QJsonValue write(const QJsonArray& value) { return value; }
};

template <typename T> struct Coder<QList<T>>
{
    static QList<T> read(const QJsonValue& value, const QString& path)
    {
        return decodeArray<T>(Coder<QJsonArray>::read(value, path), path, Coder<T>::read);
    }
    static QJsonValue write(const QList<T>& items) { return encodeArray(items, Coder<T>::write); }
};

// An object whose keys are data; every value is read as T.
template <typename T> struct Coder<QMap<QString, T>>
{
    static QMap<QString, T> read(const QJsonValue& value, const QString& path)
    {
        const auto object = Coder<QJsonObject>::read(value, path);
        QMap<QString, T> result;
        for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
            result.insert(it.key(), Coder<T>::read(it.value(), memberPath(path, it.key())));
        }
        return result;
    }
    static QJsonValue write(const QMap<QString, T>& map)
    {
        QJsonObject object;
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            object.insert(it.key(), Coder<T>::write(it.value()));
        }
        return object;
    }
};

// One member of a record: its JSON key and how to read it from the record's object and write it
// back. A record is described once, as the list of its fields (`field`, `listOrEmpty`); the list
// is read and written in its order, so the first bad member names the error.
template <typename Record> struct Field
{
    QString key;
    // `member` is the object's value for the key, undefined when the key is missing.
    std::function<void(Record& record, const QJsonValue& member, const QString& path)> read;
    std::function<void(const Record& record, QJsonObject& object)> write;
};
template <typename Record> using Fields = std::vector<Field<Record>>;

// A required member: missing, null or of another JSON type rejects the record.
template <typename Record, typename T> Field<Record> field(const QString& key, T Record::*member)
{
    return { key,
             [key, member](Record& record, const QJsonValue& value, const QString& path) {
                 record.*member = Coder<T>::read(present(value, key, path), path);
             },
             [key, member](const Record& record, QJsonObject& object) {
                 object.insert(key, Coder<T>::write(record.*member));
             } };
}

// An optional member: missing or null is absent, and absent is left out, never written as null.
template <typename Record, typename T>
Field<Record> field(const QString& key, std::optional<T> Record::*member)
{
    return { key,
             [member](Record& record, const QJsonValue& value, const QString& path) {
                 record.*member = value.isUndefined() || value.isNull()
                     ? std::nullopt
                     : std::optional<T>(Coder<T>::read(value, path));
             },
             [key, member](const Record& record, QJsonObject& object) {
                 if (const auto& value = record.*member) {
                     object.insert(key, Coder<T>::write(*value));
                 }
             } };
}

// A list that a missing or null member leaves empty; always written.
template <typename Record, typename T> Field<Record> listOrEmpty(const QString& key, QList<T> Record::*member)
{
    return { key,
             [member](Record& record, const QJsonValue& value, const QString& path) {
                 if (!value.isUndefined() && !value.isNull()) {
                     record.*member = Coder<QList<T>>::read(value, path);
                 }
             },
             [key, member](const Record& record, QJsonObject& object) {
                 object.insert(key, Coder<QList<T>>::write(record.*member));
             } };
}

// Anything but an object rejects the record with `typeMismatch`; members nobody described are
// ignored.
template <typename Record>
Record decodeFields(const Fields<Record>& fields, const QJsonValue& value, const QString& path)
{
    if (!value.isObject()) {
        throw typeMismatch(path, QStringLiteral("an object"));
    }
    const auto object = value.toObject();
    Record record;
    for (const auto& field : fields) {
        field.read(record, object.value(field.key), memberPath(path, field.key));
    }
    return record;
}

template <typename Record> QJsonObject encodeFields(const Fields<Record>& fields, const Record& record)
{
    QJsonObject object;
    for (const auto& field : fields) {
        field.write(record, object);
    }
    return object;
}

// The body text with the members in the order of the list, where a peer reads the text rather
// than JSON (a QJsonObject orders its keys).
template <typename Record> QByteArray encodeInOrder(const Fields<Record>& fields, const Record& record)
{
    QByteArray text = "{";
    for (const auto& field : fields) {
        QJsonObject member;
        field.write(record, member);
        if (member.isEmpty()) {
            continue;
        }
        if (text.size() > 1) {
            text += ',';
        }
        text += encode(member).chopped(1).mid(1);
    }
    return text + '}';
}

} // namespace WireCoding

// Defines `Record::toJson` and `Record::fromJson` from the record's field list, the only place
// that names its members' keys.
#define VANTOREL_WIRE_RECORD(Record, ...)                                                                    \
    static const WireCoding::Fields<Record>& fieldsOf##Record()                                              \
    {                                                                                                        \
        static const WireCoding::Fields<Record> fields { __VA_ARGS__ };                                      \
        return fields;                                                                                       \
    }                                                                                                        \
    QJsonObject Record::toJson() const                                                                       \
    {                                                                                                        \
        return WireCoding::encodeFields(fieldsOf##Record(), *this);                                          \
    }                                                                                                        \
    Record Record::fromJson(const QJsonValue& value, const QString& path)                                    \
    {                                                                                                        \
        return WireCoding::decodeFields(fieldsOf##Record(), value, path);                                    \
    }
