#include "Services/Network/ErrorResponse.h"

#include "Services/Network/WireCoding.h"

using namespace Qt::StringLiterals;

QJsonObject ErrorResponse::toJson() const
{
    QJsonObject object;
    if (error) {
        object.insert(u"error"_s, *error);
    }
    return object;
}

ErrorResponse ErrorResponse::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = WireCoding::ObjectReader::from(value, path);
    return { reader.optionalString(u"error"_s) };
}
