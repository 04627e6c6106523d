#include "support/FakeNotificationServer.h"

#include "Platform/Linux/FreedesktopNotifications.h"

#include <QUuid>

using namespace Qt::StringLiterals;

FakeNotificationServer::FakeNotificationServer()
    : m_connectionName(u"fake-notifications-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

FakeNotificationServer::~FakeNotificationServer()
{
    unregister();
}

bool FakeNotificationServer::registerOn(const QString& address)
{
    return registerOn(QDBusConnection::connectToBus(address, m_connectionName));
}

bool FakeNotificationServer::registerOnSessionBus()
{
    return registerOn(QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_connectionName));
}

bool FakeNotificationServer::registerOn(QDBusConnection connection)
{
    return connection.isConnected()
        && connection.registerObject(FreedesktopNotifications::path, this, QDBusConnection::ExportAllSlots)
        && connection.registerService(FreedesktopNotifications::service);
}

void FakeNotificationServer::unregister()
{
    QDBusConnection connection(m_connectionName);
    if (connection.isConnected()) {
        connection.unregisterService(FreedesktopNotifications::service);
        connection.unregisterObject(FreedesktopNotifications::path);
    }
    QDBusConnection::disconnectFromBus(m_connectionName);
}

QStringList FakeNotificationServer::GetCapabilities()
{
    return { u"body"_s, u"sound"_s };
}

uint FakeNotificationServer::Notify(const QString& appName, uint replacesId, const QString& icon,
                                    const QString& summary, const QString& body, const QStringList& actions,
                                    const QVariantMap& hints, int timeout)
{
    Q_UNUSED(icon);
    Q_UNUSED(actions);
    Q_UNUSED(timeout);
    received.append({ appName, replacesId, summary, body, hints });
    return uint(received.size());
}

void FakeNotificationServer::CloseNotification(uint id)
{
    Q_UNUSED(id);
}

QString FakeNotificationServer::GetServerInformation(QString& vendor, QString& version, QString& specVersion)
{
    vendor = u"test"_s;
    version = u"1"_s;
    specVersion = u"1.2"_s;
    return u"fake"_s;
}
