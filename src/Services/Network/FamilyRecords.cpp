#include "Services/Network/FamilyRecords.h"

#include "Services/Network/WireCoding.h"

using namespace Qt::StringLiterals;
using WireCoding::ObjectReader;

QJsonObject CreateFamilyResponse::toJson() const
{
    return { { u"familyId"_s, familyId }, { u"familyCode"_s, familyCode } };
}

CreateFamilyResponse CreateFamilyResponse::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    return { reader.requiredString(u"familyId"_s), reader.requiredString(u"familyCode"_s) };
}

QJsonObject RegisterDevicePayload::toJson() const
{
    return { { u"role"_s, role }, { u"name"_s, name } };
}

RegisterDevicePayload RegisterDevicePayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    return { reader.requiredString(u"role"_s), reader.requiredString(u"name"_s) };
}

QJsonObject RegisterDeviceResponse::toJson() const
{
    return { { u"deviceId"_s, deviceId }, { u"role"_s, role }, { u"familyId"_s, familyId } };
}

RegisterDeviceResponse RegisterDeviceResponse::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    RegisterDeviceResponse result;
    result.deviceId = reader.requiredString(u"deviceId"_s);
    result.role = reader.requiredString(u"role"_s);
    result.familyId = reader.requiredString(u"familyId"_s);
    return result;
}
