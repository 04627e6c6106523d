#pragma once

#include <QString>

#include <exception>

// A failure that the HTTP layer answers with `status` and {"error": message}. Handlers throw it;
// nothing else about HTTP is known to them.
class ApiError final : public std::exception
{
public:
    ApiError(int status, QString message)
        : m_status(status)
        , m_message(std::move(message))
    {
    }

    int status() const { return m_status; }
    const QString& message() const { return m_message; }
    const char* what() const noexcept override { return "ApiError"; }

    static ApiError badRequest(const QString& message) { return { 400, message }; }
    // The client maps any text containing "family not found" to its family-code message, so every
    // wrong or foreign family code answers with exactly this.
    static ApiError familyNotFound() { return { 404, QStringLiteral("family not found") }; }
    static ApiError deviceNotFound() { return { 404, QStringLiteral("device not found") }; }

private:
    int m_status;
    QString m_message;
};
