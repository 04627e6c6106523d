#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// One request for more time. The time members are kept as the server wrote them.
struct UnlockRequest
{
    QString id;
    QString familyId;
    QString childDeviceId;
    std::optional<qint64> requestedMinutes;
    std::optional<QString> reason;
    QString status;
    std::optional<QString> decidedBy;
    std::optional<QString> decidedAt;
    QString createdAt;
    QString updatedAt;

    QJsonObject toJson() const;
    static UnlockRequest fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const UnlockRequest&, const UnlockRequest&) = default;
};

// GET api/v1/unlock-requests?familyCode=…&status=…: {"items": [...]}; missing or null "items" is an
// empty list, one bad item rejects the list.
struct UnlockRequestListResponse
{
    QList<UnlockRequest> items;

    QJsonObject toJson() const;
    static UnlockRequestListResponse fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const UnlockRequestListResponse&, const UnlockRequestListResponse&) = default;
};

// POST api/v1/devices/{id}/unlock-requests. `make` applies the sending rules: minutes only when
// at least 1, a reason only when it has more than spaces and tabs (then sent untrimmed).
struct UnlockRequestPayload
{
    std::optional<qint64> requestedMinutes;
    std::optional<QString> reason;

    static UnlockRequestPayload make(std::optional<qint64> requestedMinutes,
                                     const std::optional<QString>& reason);

    QJsonObject toJson() const;
    static UnlockRequestPayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const UnlockRequestPayload&, const UnlockRequestPayload&) = default;
};

// POST api/v1/unlock-requests/{id}/decision: {"action": "approve"|"reject", "extendMinutes": n}.
// `make` sends the minutes only when at least 1.
struct UnlockDecisionPayload
{
    QString action;
    std::optional<qint64> extendMinutes;

    static UnlockDecisionPayload make(const QString& action, std::optional<qint64> extendMinutes);

    QJsonObject toJson() const;
    static UnlockDecisionPayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const UnlockDecisionPayload&, const UnlockDecisionPayload&) = default;
};
