#pragma once

#include <QJsonObject>
#include <QString>

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
// travels as its raw text; whether "unknown" is accepted is the server's decision.
struct RegisterDevicePayload
{
    QString role;
    QString name;

    QJsonObject toJson() const;
    static RegisterDevicePayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const RegisterDevicePayload&, const RegisterDevicePayload&) = default;
};

struct RegisterDeviceResponse
{
    QString deviceId;
    QString role;
    QString familyId;

    QJsonObject toJson() const;
    static RegisterDeviceResponse fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const RegisterDeviceResponse&, const RegisterDeviceResponse&) = default;
};
