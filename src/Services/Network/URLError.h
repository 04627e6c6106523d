#pragma once

#include "Services/Network/LocalizedError.h"

#include <QByteArray>
#include <QNetworkReply>
#include <QString>

#include <exception>

// A transport failure: no usable HTTP answer arrived. The codes are the platform-neutral names
// of the network failures the client tells apart; `fromNetworkError` documents how Qt's errors
// map onto them.
class URLError final : public std::exception, public LocalizedError
{
public:
    enum class Code
    {
        timedOut,
        networkConnectionLost,
        notConnectedToInternet,
        cannotConnectToHost,
        cannotFindHost,
        secureConnectionFailed,
        // The answer grew beyond what the client accepts (a broken or hostile server).
        dataLengthExceedsMaximum,
        cancelled,
        badServerResponse,
        unsupportedURL,
        // A URL could not be built from the given parts.
        badURL,
        unknown
    };

    explicit URLError(Code code, const QString& detail = QString());

    // Qt reports an HTTP answer with a failing status as an error as well; those never reach
    // this mapping (the client hands them to `ensureSuccess`). For the transport errors:
    //   ConnectionRefusedError, ProxyConnectionRefusedError       → cannotConnectToHost
    //   RemoteHostClosedError, TemporaryNetworkFailureError,
    //   ProxyConnectionClosedError                                → networkConnectionLost
    //   HostNotFoundError, ProxyNotFoundError                     → cannotFindHost
    //   TimeoutError, ProxyTimeoutError                           → timedOut
    //   NetworkSessionFailedError                                 → notConnectedToInternet
    //   SslHandshakeFailedError                                   → secureConnectionFailed
    //   OperationCanceledError                                    → cancelled (the client turns
    //                              its own deadline into timedOut and its size cap into
    //                              dataLengthExceedsMaximum before it gets here)
    //   ProtocolUnknownError                                      → unsupportedURL
    //   ProtocolFailure, ProtocolInvalidOperationError, and every
    //   content or server error without an HTTP status           → badServerResponse
    //   anything else (redirect loops, background restrictions…) → unknown
    static URLError fromNetworkError(QNetworkReply::NetworkError error, const QString& detail);

    Code code() const { return m_code; }
    QString detail() const { return m_detail; }

    std::optional<QString> errorDescription() const override;
    const char* what() const noexcept override { return m_what.constData(); }

private:
    Code m_code;
    QString m_detail;
    QByteArray m_what;
};
