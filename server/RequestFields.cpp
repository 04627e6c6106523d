#include "RequestFields.h"

#include "ApiError.h"
#include "Models/StrictJson.h"

using namespace Qt::StringLiterals;

namespace RequestFields {

namespace {

template <typename T>
std::optional<T> checked(const StrictJson::Member<T>& member, const QString& key, const QString& type)
{
    if (member.isWrongType()) {
        throw ApiError::badRequest(u"\"%1\" must be %2"_s.arg(key, type));
    }
    return member.value;
}

template <typename T> T present(const std::optional<T>& value, const QString& key)
{
    if (!value) {
        throw ApiError::badRequest(u"\"%1\" is required"_s.arg(key));
    }
    return *value;
}

} // namespace

std::optional<QString> optionalString(const QJsonObject& object, const QString& key)
{
    return checked(StrictJson::stringMember(object.value(key)), key, u"a string"_s);
}

QString requiredString(const QJsonObject& object, const QString& key)
{
    return present(optionalString(object, key), key);
}

std::optional<qint64> optionalInteger(const QJsonObject& object, const QString& key)
{
    return checked(StrictJson::integerMember(object.value(key)), key, u"an integer"_s);
}

qint64 requiredInteger(const QJsonObject& object, const QString& key)
{
    return present(optionalInteger(object, key), key);
}

std::optional<bool> optionalBoolean(const QJsonObject& object, const QString& key)
{
    return checked(StrictJson::booleanMember(object.value(key)), key, u"a boolean"_s);
}

bool requiredBoolean(const QJsonObject& object, const QString& key)
{
    return present(optionalBoolean(object, key), key);
}

QJsonObject requiredObject(const QJsonObject& object, const QString& key)
{
    const auto value = object.value(key);
    if (value.isUndefined() || value.isNull()) {
        throw ApiError::badRequest(u"\"%1\" is required"_s.arg(key));
    }
    if (!value.isObject()) {
        throw ApiError::badRequest(u"\"%1\" must be an object"_s.arg(key));
    }
    return value.toObject();
}

} // namespace RequestFields
