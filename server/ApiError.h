#pragma once

#include <QString>

#include <exception>

// A failure that the HTTP layer answers with `status` and {"error": message}, plus "reason" when
// the failure has one a client may branch on. Handlers throw it; nothing else about HTTP is known
// to them.
class ApiError final : public std::exception
{
public:
    ApiError(int status, QString message, QString reason = {})
        : m_status(status)
        , m_message(std::move(message))
        , m_reason(std::move(reason))
    {
    }

    int status() const { return m_status; }
    const QString& message() const { return m_message; }
    const QString& reason() const { return m_reason; }
    const char* what() const noexcept override { return "ApiError"; }

    static ApiError badRequest(const QString& message) { return { 400, message }; }
    // The client maps any text containing "family not found" to its family-code message, so every
    // wrong or foreign family code answers with exactly this.
    static ApiError familyNotFound() { return { 404, QStringLiteral("family not found") }; }
    static ApiError deviceNotFound() { return { 404, QStringLiteral("device not found") }; }

    // The refusals of a secured family. A missing or unknown token is 401; a token that is known but
    // may not do this (a child's, another family's) is 403.
    static ApiError tokenRequired()
    {
        return { 401, QStringLiteral("device token required"), QStringLiteral("tokenRequired") };
    }
    static ApiError forbidden()
    {
        return { 403, QStringLiteral("this device may not do this"), QStringLiteral("forbidden") };
    }
    static ApiError invitationRequired()
    {
        return { 403, QStringLiteral("an invitation is required to add a parent computer"),
                 QStringLiteral("invitationRequired") };
    }
    static ApiError invitationInvalid()
    {
        return { 403, QStringLiteral("invitation code invalid, used or expired"),
                 QStringLiteral("invitationInvalid") };
    }

private:
    int m_status;
    QString m_message;
    QString m_reason;
};
