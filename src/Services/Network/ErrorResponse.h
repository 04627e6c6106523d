#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

// The body the backend sends with a failing status: {"error": "..."}.
struct ErrorResponse
{
    std::optional<QString> error;

    QJsonObject toJson() const;
    static ErrorResponse fromJson(const QJsonValue& value, const QString& path = QString());

    friend bool operator==(const ErrorResponse&, const ErrorResponse&) = default;
};
