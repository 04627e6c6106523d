#include "Services/Network/RemoteAPIError.h"

#include "Models/L10n.h"

RemoteAPIError::RemoteAPIError(Case kind, qint64 status, const QString& message)
    : m_case(kind)
    , m_status(status)
    , m_message(message)
{
    m_what = errorDescription().value_or(QString()).toUtf8();
}

RemoteAPIError RemoteAPIError::serverError(qint64 status, const QString& message,
                                           const std::optional<QString>& localizedMessage,
                                           const QString& reason)
{
    RemoteAPIError error(Case::serverError, status, message);
    error.m_localizedMessage = localizedMessage;
    error.m_reason = reason;
    error.m_what = error.errorDescription().value_or(QString()).toUtf8();
    return error;
}

RemoteAPIError RemoteAPIError::invalidConfiguration()
{
    return RemoteAPIError(Case::invalidConfiguration, 0, QString());
}

std::optional<QString> RemoteAPIError::errorDescription() const
{
    if (m_case == Case::invalidConfiguration) {
        return L10n::localized("服务地址不合法");
    }
    const auto lowered = m_message.toLower();
    // A text naming both problems is about the family code: without a valid family nothing else
    // can be fixed.
    if (lowered.contains(QStringLiteral("family not found"))) {
        return L10n::localized("该家庭码不存在或已失效，请向家长确认正确的 6 位家庭码后重新输入。");
    }
    if (lowered.contains(QStringLiteral("rate limit"))) {
        return L10n::localized("本小时内解锁申请次数已达上限，请一小时后重试。");
    }
    if (m_localizedMessage && !m_localizedMessage->trimmed().isEmpty()) {
        return *m_localizedMessage;
    }
    return m_message;
}
