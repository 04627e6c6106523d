#include "Protocol/DecodingError.h"

DecodingError::DecodingError(Kind kind, const QString& codingPath, const QString& description)
    : m_kind(kind)
    , m_codingPath(codingPath)
    , m_description(description)
    , m_what(description.toUtf8())
{
}
