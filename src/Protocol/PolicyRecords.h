#pragma once

#include "Protocol/AnyDecodable.h"

#include <QDateTime>
#include <QJsonObject>
#include <QMap>
#include <QString>

#include <optional>

// A wall-clock time of day on the wire: {"hour": 0…23, "minute": 0…59} (not range-checked).
struct TimeComponentsPayload
{
    qint64 hour = 0;
    qint64 minute = 0;

    QJsonObject toJson() const;
    static TimeComponentsPayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const TimeComponentsPayload&, const TimeComponentsPayload&) = default;
};

// A child's rules on the wire. The eye-rest rhythm stays on each child computer and never
// travels. "unlockUntil" is ISO 8601 text: read in both forms, written in UTC without fractions.
struct PolicyPayload
{
    qint64 dailyLimitMinutes = 0;
    TimeComponentsPayload blockedStart;
    TimeComponentsPayload blockedEnd;
    std::optional<bool> forceLocked;
    std::optional<QDateTime> unlockUntil;

    // Absent members are left out, never written as null.
    QJsonObject toJson() const;
    static PolicyPayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const PolicyPayload&, const PolicyPayload&) = default;
};

// GET …/devices/{id}/policy. Only the keys of "selection" survive decoding; the computer does not
// apply the selection stored at the backend.
struct DevicePolicyResponse
{
    QString deviceId;
    PolicyPayload policy;
    QMap<QString, AnyDecodable> selection;

    // Writes each selection key with a null value; a server holding the real selection values
    // sends them with `toJson(selectionValues)`.
    QJsonObject toJson() const;
    QJsonObject toJson(const QJsonObject& selectionValues) const;
    static DevicePolicyResponse fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const DevicePolicyResponse&, const DevicePolicyResponse&) = default;
};

// PUT …/devices/{id}/policy: {"policy": …, "selection": {…}}. The selection is sent as given.
struct UpsertPolicyPayload
{
    PolicyPayload policy;
    QJsonObject selection;

    QJsonObject toJson() const;
    static UpsertPolicyPayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const UpsertPolicyPayload&, const UpsertPolicyPayload&) = default;
};
