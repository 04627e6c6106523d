#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <optional>

// PUT …/devices/{id}/usage/today: {"todayUsageSeconds": n, "sampledAt": "…Z"}; "sampledAt" only
// when a sample time is known.
struct TodayUsagePayload
{
    qint64 todayUsageSeconds = 0;
    std::optional<QDateTime> sampledAt;

    QJsonObject toJson() const;
    static TodayUsagePayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const TodayUsagePayload&, const TodayUsagePayload&) = default;
};

// GET …/devices/{id}/usage/today. Read leniently: anything but a usable number reads as 0.
struct TodayUsageResponse
{
    qint64 todayUsageSeconds = 0;
    // The server's own day the count belongs to (its time zone, not necessarily the child's);
    // absent when the server does not say or says it in another form.
    std::optional<QString> usageDate;

    QJsonObject toJson() const;
    // An integer is taken as it is, a fractional number truncated toward zero; a top level that
    // is not an object, a missing, null, textual or out-of-range member read as 0. Only text that
    // is not JSON at all fails, with `SerializationError`.
    static TodayUsageResponse fromBody(const QByteArray& body);
};

// One usage session as the usage monitor stores it and the server keeps it.
struct UsageSessionPayload
{
    QString startAt;
    QString endAt;
    QString appBundleId;
    qint64 durationSeconds = 0;

    QJsonObject toJson() const;
    static UsageSessionPayload fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const UsageSessionPayload&, const UsageSessionPayload&) = default;
};

// POST …/devices/{id}/usage/sessions. The client sends the stored sessions exactly as they are
// (`sessions` is raw JSON); the server reads them as records with `sessionRecords()`.
struct UsageSessionsPayload
{
    QString usageDate;
    QString source;
    QJsonArray sessions;

    QJsonObject toJson() const;
    static UsageSessionsPayload fromJson(const QJsonValue& value, const QString& path = QString());
    // Strict: one malformed session rejects the list with `DecodingError`.
    QList<UsageSessionPayload> sessionRecords() const;

    friend bool operator==(const UsageSessionsPayload&, const UsageSessionsPayload&) = default;
};
