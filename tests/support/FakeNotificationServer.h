#pragma once

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

// A desktop notification service (org.freedesktop.Notifications) that records what it is sent,
// on a bus connection of its own so that the process under test reaches it as a separate peer.
class FakeNotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Received
    {
        QString appName;
        uint replacesId = 0;
        QString summary;
        QString body;
        QVariantMap hints;
    };

    FakeNotificationServer();
    ~FakeNotificationServer() override;

    // Takes the well-known name on the bus at `address`; false when it cannot.
    bool registerOn(const QString& address);
    bool registerOnSessionBus();
    void unregister();

    QList<Received> received;

public slots:
    QStringList GetCapabilities();
    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout);
    void CloseNotification(uint id);
    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion);

private:
    bool registerOn(QDBusConnection connection);

    QString m_connectionName;
};
