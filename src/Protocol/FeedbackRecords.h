#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// POST api/v1/feedbacks.
struct FeedbackPayload
{
    QString platform;
    QString category;
    QString content;
    QString appVersion;
    QString osVersion;
    std::optional<QString> deviceId;
    std::optional<QString> familyId;
    std::optional<QString> contact;

    QJsonObject toJson() const;
    static FeedbackPayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const FeedbackPayload&, const FeedbackPayload&) = default;
};
