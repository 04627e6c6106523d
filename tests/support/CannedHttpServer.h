#pragma once

#include <QByteArray>
#include <QHash>
#include <QTcpServer>
#include <QUrl>

// A loopback HTTP/1.1 server that answers each path with a canned status and body and records
// the paths it was asked for. One request per connection; enough for clients that GET.
class CannedHttpServer final : public QObject
{
    Q_OBJECT

public:
    explicit CannedHttpServer(QObject* parent = nullptr);

    // Listens on 127.0.0.1 on a free port.
    bool start();
    QUrl url(const QString& path) const;

    void setResponse(const QString& path, int status, const QByteArray& body);
    QStringList requestedPaths() const { return m_requested; }

private:
    void serve(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, QPair<int, QByteArray>> m_responses;
    QStringList m_requested;
};
