#include "Services/Network/ErrorResponse.h"

#include "Services/Network/WireCoding.h"

using namespace Qt::StringLiterals;

QJsonObject ErrorResponse::toJson() const
{
    QJsonObject object;
    if (error) {
        object.insert(u"error"_s, *error);
    }
    if (message) {
        object.insert(u"message"_s, *message);
    }
    if (reason) {
        object.insert(u"reason"_s, *reason);
    }
    return object;
}

ErrorResponse ErrorResponse::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = WireCoding::ObjectReader::from(value, path);
    return { reader.optionalString(u"error"_s), reader.optionalString(u"message"_s),
             reader.optionalString(u"reason"_s) };
}
