#pragma once

#include <QNetworkAccessManager>

// A network session that counts the requests it starts, also those that never reach a server
// (a refused connection leaves nothing for a server to record).
class CountingNetworkAccessManager final : public QNetworkAccessManager
{
    Q_OBJECT

public:
    using QNetworkAccessManager::QNetworkAccessManager;

    int requestCount() const { return m_requestCount; }

protected:
    QNetworkReply* createRequest(Operation op, const QNetworkRequest& request,
                                 QIODevice* outgoingData) override
    {
        ++m_requestCount;
        return QNetworkAccessManager::createRequest(op, request, outgoingData);
    }

private:
    int m_requestCount = 0;
};
