#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// POST api/v1/families.
struct CreateFamilyResponse
{
    QString familyId;
    QString familyCode;

    QJsonObject toJson() const;
    static CreateFamilyResponse fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const CreateFamilyResponse&, const CreateFamilyResponse&) = default;
};

// POST api/v1/families/{code}/devices: {"role": "parent"|"child"|"unknown", "name": "…"}. The role
// travels as its raw text; whether "unknown" is accepted is the server's decision. A parent
// computer joining a secured family adds the "invitationCode" another parent made for it.
struct RegisterDevicePayload
{
    QString role;
    QString name;
    std::optional<QString> invitationCode;

    QJsonObject toJson() const;
    static RegisterDevicePayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const RegisterDevicePayload&, const RegisterDevicePayload&) = default;
};

// "deviceToken" is the device's secret for the Authorization header; absent from a server that
// issues none.
struct RegisterDeviceResponse
{
    QString deviceId;
    QString role;
    QString familyId;
    std::optional<QString> deviceToken;

    QJsonObject toJson() const;
    static RegisterDeviceResponse fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const RegisterDeviceResponse&, const RegisterDeviceResponse&) = default;
};

// POST api/v1/families/{code}/parent-invitations: a one-time code that lets one more parent
// computer join a secured family until `expiresAt` (ISO 8601, as the server formats it).
struct ParentInvitationResponse
{
    QString invitationCode;
    QString expiresAt;

    QJsonObject toJson() const;
    static ParentInvitationResponse fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const ParentInvitationResponse&, const ParentInvitationResponse&) = default;
};
