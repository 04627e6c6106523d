#include "support/CannedHttpServer.h"

#include <QTcpSocket>

using namespace Qt::StringLiterals;

CannedHttpServer::CannedHttpServer(QObject* parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool CannedHttpServer::start()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QUrl CannedHttpServer::url(const QString& path) const
{
    return QUrl(u"http://127.0.0.1:%1%2"_s.arg(m_server.serverPort()).arg(path));
}

void CannedHttpServer::setResponse(const QString& path, int status, const QByteArray& body)
{
    m_responses.insert(path, { status, body });
}

void CannedHttpServer::serve(QTcpSocket* socket)
{
    // Waits for the end of the request head; GET requests have no body.
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    socket->setProperty("head", head);
    if (!head.contains("\r\n\r\n")) {
        return;
    }
    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    const QString path = requestLine.size() >= 2 ? QString::fromUtf8(requestLine.at(1)) : QString();
    m_requested.append(path);

    const auto response = m_responses.value(path, { 404, QByteArray("not found") });
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(response.first) + " Canned\r\n";
    answer += "Content-Type: application/octet-stream\r\n";
    answer += "Content-Length: " + QByteArray::number(response.second.size()) + "\r\n";
    answer += "Connection: close\r\n\r\n";
    answer += response.second;
    socket->write(answer);
    socket->disconnectFromHost();
}
