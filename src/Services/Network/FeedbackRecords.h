#pragma once

#include "Models/RemoteDeviceRole.h"

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

    // "mac_parent", "mac_child", or "mac" for a computer without a role.
    static QString platformFor(RemoteDeviceRole role);

    // Applies the form's rules: content and contact without surrounding white space and line
    // breaks; device, family and contact only when not empty. The family travels under
    // "familyId" but carries the family code, which is what the computer knows.
    static FeedbackPayload make(RemoteDeviceRole role, const QString& category, const QString& content,
                                const QString& contact, const QString& appVersion, const QString& osVersion,
                                const QString& deviceID, const QString& familyCode);

    QJsonObject toJson() const;
    static FeedbackPayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const FeedbackPayload&, const FeedbackPayload&) = default;
};
