#pragma once

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QUrl>

#include <functional>

// A network session that sends the requests a test picks to a closed loopback port, so that they
// fail with a refused connection (a transient network error) while the others reach the server.
class FaultInjectingNetworkAccessManager final : public QNetworkAccessManager
{
    Q_OBJECT

public:
    using Fault = std::function<bool(Operation operation, const QUrl& url)>;
    using QNetworkAccessManager::QNetworkAccessManager;

    void setFault(Fault fault) { m_fault = std::move(fault); }

protected:
    QNetworkReply* createRequest(Operation op, const QNetworkRequest& request,
                                 QIODevice* outgoingData) override
    {
        if (m_fault && m_fault(op, request.url())) {
            QNetworkRequest refused(request);
            QUrl url = request.url();
            url.setHost(QStringLiteral("127.0.0.1"));
            url.setPort(1);
            refused.setUrl(url);
            return QNetworkAccessManager::createRequest(op, refused, outgoingData);
        }
        return QNetworkAccessManager::createRequest(op, request, outgoingData);
    }

private:
    Fault m_fault;
};
