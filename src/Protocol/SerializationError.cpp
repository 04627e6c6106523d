#include "Protocol/SerializationError.h"

SerializationError::SerializationError(Kind kind, const QString& detail)
    : m_kind(kind)
    , m_detail(detail)
    , m_what(detail.toUtf8())
{
}
