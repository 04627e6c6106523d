#pragma once

#include "Services/Network/LocalizedError.h"

#include <QByteArray>
#include <QString>

#include <exception>

// The error the backend client raises itself: the backend answered with a failing status, or no
// client could be made because the base address is not a URL.
class RemoteAPIError final : public std::exception, public LocalizedError
{
public:
    enum class Case
    {
        serverError,
        invalidConfiguration
    };

    // `localizedMessage` and `reason` are what a server that offers them adds to its error body:
    // the error in the interface's language, and a stable word to branch on.
    static RemoteAPIError serverError(qint64 status, const QString& message,
                                      const std::optional<QString>& localizedMessage = std::nullopt,
                                      const QString& reason = {});
    static RemoteAPIError invalidConfiguration();

    Case kind() const { return m_case; }
    // Only meaningful for `serverError`.
    qint64 status() const { return m_status; }
    QString message() const { return m_message; }
    std::optional<QString> localizedMessage() const { return m_localizedMessage; }
    QString reason() const { return m_reason; }

    // The same texts as the first four rows of `userFriendlyMessage`.
    std::optional<QString> errorDescription() const override;
    const char* what() const noexcept override { return m_what.constData(); }

private:
    RemoteAPIError(Case kind, qint64 status, const QString& message);

    Case m_case;
    qint64 m_status = 0;
    QString m_message;
    std::optional<QString> m_localizedMessage;
    QString m_reason;
    QByteArray m_what;
};
