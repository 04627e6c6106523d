#include "Platform/Linux/FreedesktopNotifications.h"
#include "support/FakeNotificationServer.h"

#include <QDBusConnectionInterface>
#include <QTest>

using namespace Qt::StringLiterals;

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
        FakeNotificationServer server;
        QVERIFY(server.registerOnSessionBus());

        FreedesktopNotifications notifications(u"岚哨"_s);
        QVERIFY(QCoro::waitFor(notifications.requestAuthorization()));
        QVERIFY(QCoro::waitFor(
            notifications.add({ u"A"_s, u"岚哨"_s, u"有孩子申请加时，现在共 3 条。"_s, true })));
        QVERIFY(QCoro::waitFor(notifications.add({ u"B"_s, u"岚哨"_s, u"quiet"_s, false })));

        server.unregister();

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
