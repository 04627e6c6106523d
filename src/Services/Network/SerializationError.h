#pragma once

#include "Services/Network/LocalizedError.h"

#include <QByteArray>
#include <QString>

#include <exception>

// A value could not be turned into JSON text (a body about to be sent), or text that should be
// JSON could not be parsed where the client reads loose JSON rather than a record.
class SerializationError final : public std::exception, public LocalizedError
{
public:
    enum class Kind
    {
        invalidValue,
        invalidJSONText
    };

    SerializationError(Kind kind, const QString& detail);

    Kind kind() const { return m_kind; }
    QString detail() const { return m_detail; }

    std::optional<QString> errorDescription() const override;
    const char* what() const noexcept override { return m_what.constData(); }

private:
    Kind m_kind;
    QString m_detail;
    QByteArray m_what;
};
