#include "Services/Network/URLError.h"

#include "Models/L10n.h"

URLError::URLError(Code code, const QString& detail)
    : m_code(code)
    , m_detail(detail)
    , m_what(detail.toUtf8())
{
}

URLError URLError::fromNetworkError(QNetworkReply::NetworkError error, const QString& detail)
{
    using E = QNetworkReply::NetworkError;
    switch (error) {
    case E::ConnectionRefusedError:
    case E::ProxyConnectionRefusedError:
        return URLError(Code::cannotConnectToHost, detail);
    case E::RemoteHostClosedError:
    case E::TemporaryNetworkFailureError:
    case E::ProxyConnectionClosedError:
        return URLError(Code::networkConnectionLost, detail);
    case E::HostNotFoundError:
    case E::ProxyNotFoundError:
        return URLError(Code::cannotFindHost, detail);
    case E::TimeoutError:
    case E::ProxyTimeoutError:
        return URLError(Code::timedOut, detail);
    case E::NetworkSessionFailedError:
        return URLError(Code::notConnectedToInternet, detail);
    case E::SslHandshakeFailedError:
        return URLError(Code::secureConnectionFailed, detail);
    case E::OperationCanceledError:
        return URLError(Code::cancelled, detail);
    case E::ProtocolUnknownError:
        return URLError(Code::unsupportedURL, detail);
    default:
        break;
    }
    const int value = static_cast<int>(error);
    if (value >= 200 && value < 500) {
        return URLError(Code::badServerResponse, detail);
    }
    return URLError(Code::unknown, detail);
}

std::optional<QString> URLError::errorDescription() const
{
    // The user-facing mapping has a row for every code; this text only shows where a URL error
    // was wrapped into something else.
    return L10n::localized("网络异常，请稍后重试。");
}
