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
    QJsonObject object { { u"role"_s, role }, { u"name"_s, name } };
    if (invitationCode) {
        object.insert(u"invitationCode"_s, *invitationCode);
    }
    return object;
}

RegisterDevicePayload RegisterDevicePayload::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    return { reader.requiredString(u"role"_s), reader.requiredString(u"name"_s),
             reader.optionalString(u"invitationCode"_s) };
}

QJsonObject RegisterDeviceResponse::toJson() const
{
    QJsonObject object { { u"deviceId"_s, deviceId }, { u"role"_s, role }, { u"familyId"_s, familyId } };
    if (deviceToken) {
        object.insert(u"deviceToken"_s, *deviceToken);
    }
    return object;
}

RegisterDeviceResponse RegisterDeviceResponse::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    RegisterDeviceResponse result;
    result.deviceId = reader.requiredString(u"deviceId"_s);
    result.role = reader.requiredString(u"role"_s);
    result.familyId = reader.requiredString(u"familyId"_s);
    result.deviceToken = reader.optionalString(u"deviceToken"_s);
    return result;
}

QJsonObject ParentInvitationResponse::toJson() const
{
    return { { u"invitationCode"_s, invitationCode }, { u"expiresAt"_s, expiresAt } };
}

ParentInvitationResponse ParentInvitationResponse::fromJson(const QJsonValue& value, const QString& path)
{
    const auto reader = ObjectReader::from(value, path);
    return { reader.requiredString(u"invitationCode"_s), reader.requiredString(u"expiresAt"_s) };
}
