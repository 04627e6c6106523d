#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// GET api/v1/public/app-display-info. Every member is optional; missing or null is absent.
struct PublicContactInfo
{
    std::optional<QString> email;
    std::optional<QString> phone;
    std::optional<QString> wechat;
    std::optional<QString> address;

    QJsonObject toJson() const;
    static PublicContactInfo fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const PublicContactInfo&, const PublicContactInfo&) = default;
};

struct PublicLegalInfo
{
    std::optional<QString> copyrightHolder;
    std::optional<QString> copyrightNotice;
    std::optional<QString> softwareCopyrightNo;
    std::optional<QString> icpNo;
    std::optional<QString> policeNo;
    std::optional<QString> publicationNo;
    std::optional<QString> operatorName;

    QJsonObject toJson() const;
    static PublicLegalInfo fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const PublicLegalInfo&, const PublicLegalInfo&) = default;
};

struct PublicAppDisplayInfo
{
    std::optional<PublicContactInfo> contactInfo;
    std::optional<PublicLegalInfo> legalInfo;

    QJsonObject toJson() const;
    static PublicAppDisplayInfo fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const PublicAppDisplayInfo&, const PublicAppDisplayInfo&) = default;
};
