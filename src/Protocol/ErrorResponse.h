#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// The body the backend sends with a failing status: {"error": "..."}, where "error" is the
// machine-readable English text. A server may add "message" (the same error in the language the
// request asked for) and "reason" (a stable word a client can branch on).
struct ErrorResponse
{
    std::optional<QString> error;
    std::optional<QString> message;
    std::optional<QString> reason;

    QJsonObject toJson() const;
    static ErrorResponse fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const ErrorResponse&, const ErrorResponse&) = default;
};
