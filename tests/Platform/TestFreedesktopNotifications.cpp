#include "Platform/Linux/FreedesktopNotifications.h"

#include <QDBusConnectionInterface>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
// A notification server on its own bus connection, recording what it is sent.
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
    QList<Received> received;

public slots:
    QStringList GetCapabilities() { return { u"body"_s, u"sound"_s }; }
    uint Notify(const QString& appName, uint replacesId, const QString& icon, const QString& summary,
                const QString& body, const QStringList& actions, const QVariantMap& hints, int timeout)
    {
        Q_UNUSED(icon);
        Q_UNUSED(actions);
        Q_UNUSED(timeout);
        received.append({ appName, replacesId, summary, body, hints });
        return uint(received.size());
    }
};
} // namespace

class TestFreedesktopNotifications : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!QDBusConnection::sessionBus().isConnected()) {
            QSKIP("no session bus (the test command starts one)");
        }
        if (QDBusConnection::sessionBus().interface()->isServiceRegistered(
                FreedesktopNotifications::service)) {
            QSKIP("a real notification server owns the name on this bus");
        }
    }

    void withoutServerNothingIsAuthorised()
    {
        FreedesktopNotifications notifications(u"岚哨"_s);
        QVERIFY(!QCoro::waitFor(notifications.requestAuthorization()));
        QVERIFY(!QCoro::waitFor(notifications.add({ u"id"_s, u"t"_s, u"b"_s, true })));
    }

    void postsEachRequestAsANewNotification()
    {
        QDBusConnection serverBus
            = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"fake-server"_s);
        FakeNotificationServer server;
        QVERIFY(serverBus.registerObject(FreedesktopNotifications::path, &server,
                                         QDBusConnection::ExportAllSlots));
        QVERIFY(serverBus.registerService(FreedesktopNotifications::service));

        FreedesktopNotifications notifications(u"岚哨"_s);
        QVERIFY(QCoro::waitFor(notifications.requestAuthorization()));
        QVERIFY(QCoro::waitFor(
            notifications.add({ u"A"_s, u"岚哨"_s, u"有孩子申请加时，现在共 3 条。"_s, true })));
        QVERIFY(QCoro::waitFor(notifications.add({ u"B"_s, u"岚哨"_s, u"quiet"_s, false })));

        serverBus.unregisterService(FreedesktopNotifications::service);
        serverBus.unregisterObject(FreedesktopNotifications::path);
        QDBusConnection::disconnectFromBus(u"fake-server"_s);

        QCOMPARE(server.received.size(), 2);
        QCOMPARE(server.received[0].appName, u"岚哨"_s);
        QCOMPARE(server.received[0].replacesId, 0u);
        QCOMPARE(server.received[0].summary, u"岚哨"_s);
        QCOMPARE(server.received[0].body, u"有孩子申请加时，现在共 3 条。"_s);
        QVERIFY(!server.received[0].hints.contains(u"suppress-sound"_s));
        QCOMPARE(server.received[1].replacesId, 0u);
        QCOMPARE(server.received[1].hints.value(u"suppress-sound"_s), QVariant(true));
    }
};

QTEST_GUILESS_MAIN(TestFreedesktopNotifications)
#include "TestFreedesktopNotifications.moc"
