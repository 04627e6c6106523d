#include "Models/L10n.h"
#include "Protocol/DecodingError.h"
#include "Protocol/SerializationError.h"
#include "Protocol/WireCoding.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/RemoteAPIError.h"
#include "Services/Network/URLError.h"
#include "Services/Network/UserFriendlyMessage.h"

using namespace Qt::StringLiterals;

void RemoteAPIClient::ensureSuccess(const std::optional<int>& statusCode, const QByteArray& data)
{
    if (!statusCode || (*statusCode >= 200 && *statusCode <= 299)) {
        return;
    }
    QString message = u"unknown error"_s;
    std::optional<QString> localized;
    QString reason;
    try {
        const auto body = WireCoding::decodeDocument<ErrorResponse>(data);
        if (body.error) {
            message = *body.error;
        }
        localized = body.message;
        reason = body.reason.value_or(QString());
    } catch (const DecodingError&) {
        // An unreadable error body still fails the call, with the generic text.
    }
    throw RemoteAPIError::serverError(*statusCode, message, localized, reason);
}

bool RemoteAPIClient::isTransientURLError(const std::exception& error)
{
    const auto* urlError = dynamic_cast<const URLError*>(&error);
    if (!urlError) {
        return false;
    }
    switch (urlError->code()) {
    case URLError::Code::timedOut:
    case URLError::Code::networkConnectionLost:
    case URLError::Code::notConnectedToInternet:
    case URLError::Code::cannotConnectToHost:
    case URLError::Code::cannotFindHost:
    case URLError::Code::secureConnectionFailed:
        return true;
    default:
        return false;
    }
}

const PolicyResponseDecoder& RemoteAPIClient::policyResponseDecoder()
{
    static const PolicyResponseDecoder decoder;
    return decoder;
}

QString userFriendlyMessage(const std::exception& error)
{
    if (const auto* apiError = dynamic_cast<const RemoteAPIError*>(&error)) {
        return apiError->errorDescription().value_or(QString());
    }
    if (dynamic_cast<const DecodingError*>(&error)) {
        return L10n::localized("数据格式异常，请刷新重试。");
    }
    if (const auto* serialization = dynamic_cast<const SerializationError*>(&error)) {
        return serialization->kind() == SerializationError::Kind::invalidJSONText
            ? L10n::localized("未能读取数据，因为它的格式不正确。")
            : L10n::localized("未能写入数据，因为它的格式不正确。");
    }
    if (const auto* urlError = dynamic_cast<const URLError*>(&error)) {
        switch (urlError->code()) {
        case URLError::Code::notConnectedToInternet:
        case URLError::Code::networkConnectionLost:
            return L10n::localized("请检查网络连接");
        case URLError::Code::timedOut:
            return L10n::localized("连接超时，请重试");
        case URLError::Code::cannotFindHost:
        case URLError::Code::cannotConnectToHost:
            return L10n::localized("无法连接服务器，请确认设备与电脑在同一 Wi‑Fi");
        default:
            return L10n::localized("网络异常，请稍后重试。");
        }
    }
    if (const auto* localized = dynamic_cast<const LocalizedError*>(&error)) {
        if (const auto description = localized->errorDescription()) {
            return *description;
        }
    }
    return L10n::localized("操作失败，请稍后重试。");
}

QString userFriendlyMessage(const std::exception_ptr& error)
{
    try {
        if (error) {
            std::rethrow_exception(error);
        }
    } catch (const std::exception& caught) {
        return userFriendlyMessage(caught);
    } catch (...) {
    }
    return L10n::localized("操作失败，请稍后重试。");
}
