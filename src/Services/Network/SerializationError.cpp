#include "Services/Network/SerializationError.h"

#include "Models/L10n.h"

SerializationError::SerializationError(Kind kind, const QString& detail)
    : m_kind(kind)
    , m_detail(detail)
    , m_what(detail.toUtf8())
{
}

std::optional<QString> SerializationError::errorDescription() const
{
    if (m_kind == Kind::invalidJSONText) {
        return L10n::localized("未能读取数据，因为它的格式不正确。");
    }
    return L10n::localized("未能写入数据，因为它的格式不正确。");
}
