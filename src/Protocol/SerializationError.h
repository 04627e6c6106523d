#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// A value could not be turned into JSON text (a body about to be sent), or text that should be
// JSON could not be parsed where the client reads loose JSON rather than a record. The text a
// person sees for it is chosen by the client (`userFriendlyMessage`): this library has no texts.
class SerializationError final : public std::exception
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

    const char* what() const noexcept override { return m_what.constData(); }

private:
    Kind m_kind;
    QString m_detail;
    QByteArray m_what;
};
