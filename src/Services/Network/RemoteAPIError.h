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

    static RemoteAPIError serverError(qint64 status, const QString& message);
    static RemoteAPIError invalidConfiguration();

    Case kind() const { return m_case; }
    // Only meaningful for `serverError`.
    qint64 status() const { return m_status; }
    QString message() const { return m_message; }

    // The same texts as the first four rows of `userFriendlyMessage`.
    std::optional<QString> errorDescription() const override;
    const char* what() const noexcept override { return m_what.constData(); }

private:
    RemoteAPIError(Case kind, qint64 status, const QString& message);

    Case m_case;
    qint64 m_status = 0;
    QString m_message;
    QByteArray m_what;
};
