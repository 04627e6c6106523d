#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

// A received JSON document does not match the record expected from it. The whole record is
// rejected; nothing is decoded partially.
class DecodingError final : public std::exception
{
public:
    enum class Kind
    {
        typeMismatch,
        valueNotFound,
        keyNotFound,
        dataCorrupted
    };

    DecodingError(Kind kind, const QString& codingPath, const QString& description);

    Kind kind() const { return m_kind; }
    // Dotted path of the member that failed, "" for the document itself.
    QString codingPath() const { return m_codingPath; }
    QString description() const { return m_description; }

    const char* what() const noexcept override { return m_what.constData(); }

private:
    Kind m_kind;
    QString m_codingPath;
    QString m_description;
    QByteArray m_what;
};
