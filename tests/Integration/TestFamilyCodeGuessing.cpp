#include "FamilyServer.h"
#include "support/LoopbackFamilyServer.h"
#include "support/SettableClock.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

// Guessing family codes over HTTP, from loopback addresses of our own choosing (the whole of
// 127.0.0.0/8 reaches the server on 127.0.0.1), with the clock held.
class TestFamilyCodeGuessing : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_clock = std::make_unique<SettableClock>(QDateTime(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC));
    }

    void cleanup()
    {
        m_server.reset();
        m_clock.reset();
    }

    void addressesAreCountedPerHostOrSubscriberBlock_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("shared");
        QTest::newRow("IPv4 and its mapped IPv6 form") << u"203.0.113.7"_s << u"::ffff:203.0.113.7"_s << true;
        QTest::newRow("two IPv4 hosts") << u"203.0.113.7"_s << u"203.0.113.8"_s << false;
        QTest::newRow("one IPv6 /64") << u"2001:db8:1:2::1"_s << u"2001:db8:1:2:ffff::9"_s << true;
        QTest::newRow("neighbouring IPv6 /64s") << u"2001:db8:1:2::1"_s << u"2001:db8:1:3::1"_s << false;
    }

    void addressesAreCountedPerHostOrSubscriberBlock()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, shared);
        FamilyCodeThrottle throttle({ 3, 0, 60000, 0 });
        for (int i = 0; i < 3; ++i) {
            QVERIFY(!throttle.refuses(QHostAddress(second), 1000));
            throttle.recordFailure(QHostAddress(first), 1000 + i);
        }
        QVERIFY(throttle.refuses(QHostAddress(first), 2000));
        QCOMPARE(throttle.refuses(QHostAddress(second), 2000), shared);
        // Refused until the oldest of the three failures leaves the window.
        QVERIFY(throttle.refuses(QHostAddress(first), 60999));
        QVERIFY(!throttle.refuses(QHostAddress(first), 61000));
    }

    void aGuessingRunIsRefusedWithoutTellingLiveFromDeadCodes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("list devices") << u"/api/v1/families/{code}/devices"_s;
        QTest::newRow("health") << u"/api/v1/devices/{child}/health?familyCode={code}"_s;
    }

    void aGuessingRunIsRefusedWithoutTellingLiveFromDeadCodes()
    {
        QFETCH(QString, path);
        startServer({ 20, 0, 10 * 60 * 1000, 0 });
        const auto at = [&](const QString& code) {
            return QString(path).replace(u"{code}"_s, code).replace(u"{child}"_s, m_child);
        };
        const auto guesser = u"127.0.0.2"_s;
        for (int i = 0; i < 20; ++i) {
            const auto answer = send(guesser, at(deadCode(100000 + 7919 * i)));
            QCOMPARE(answer.status, 404);
            QVERIFY(answer.body.contains("family not found"));
        }
        const auto dead = send(guesser, at(deadCode(424242)));
        const auto live = send(guesser, at(m_code));
        QCOMPARE(dead.status, 429);
        QCOMPARE(live.status, dead.status);
        QCOMPARE(live.body, dead.body);
        QVERIFY(!live.body.contains("family not found"));
        QCOMPARE(QJsonDocument::fromJson(live.body).object().value(u"error"_s).toString(),
                 FamilyServer::tooManyAttemptsMessage());

        // The family itself, from its own address, is served all along.
        QCOMPARE(send(u"127.0.0.1"_s, at(m_code)).status / 100, 2);
        // Routes without a family code are no business of the throttle.
        QCOMPARE(send(guesser, u"/api/v1/devices/%1/policy"_s.arg(m_child)).status, 200);

        m_clock->advance(10 * 60 - 1);
        QCOMPARE(send(guesser, at(m_code)).status, 429);
        m_clock->advance(1);
        QCOMPARE(send(guesser, at(m_code)).status / 100, 2);
    }

    void pastTheTotalBudgetOnlyFailingAddressesAreHeld()
    {
        const int holdMs = 600;
        startServer({ 20, 3, 10 * 60 * 1000, holdMs });
        const auto devices = [](const QString& code) { return u"/api/v1/families/%1/devices"_s.arg(code); };
        // Below the total budget nothing is held, not even failures.
        for (const auto* source : { "127.0.0.2", "127.0.0.3", "127.0.0.2" }) {
            const auto answer = send(QString::fromLatin1(source), devices(deadCode(555555)));
            QCOMPARE(answer.status, 404);
            QVERIFY(!answer.head.contains("connection: close"));
        }
        // Past it, an address that failed has every answer held, a live code's as much as a dead one's.
        for (const auto& code : { m_code, deadCode(777777) }) {
            const auto held = send(u"127.0.0.3"_s, devices(code));
            QCOMPARE(held.status, code == m_code ? 200 : 404);
            QVERIFY(held.head.contains("connection: close"));
            QVERIFY2(held.elapsedMs >= holdMs * 9 / 10, qPrintable(QString::number(held.elapsedMs)));
        }
        // An address without a failure is answered at once.
        const auto other = send(u"127.0.0.4"_s, devices(m_otherCode));
        QCOMPARE(other.status, 200);
        QVERIFY(!other.head.contains("connection: close"));
    }

private:
    struct Answer
    {
        int status = 0;
        QByteArray head;
        QByteArray body;
        qint64 elapsedMs = 0;
    };
    // One request on a fresh connection from `source`, waited for on the event loop.
    Answer send(const QString& source, const QString& path)
    {
        Answer answer;
        QTcpSocket socket;
        if (!socket.bind(QHostAddress(source))) {
            qWarning("cannot bind %s: %s", qPrintable(source), qPrintable(socket.errorString()));
            return answer;
        }
        QByteArray received;
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
        QObject::connect(&socket, &QTcpSocket::readyRead, &loop, [&] {
            received += socket.readAll();
            const auto end = received.indexOf("\r\n\r\n");
            const auto at = received.toLower().indexOf("content-length:");
            if (end >= 0 && at >= 0 && at < end) {
                const auto length
                    = received.mid(at + 15, received.indexOf("\r\n", at) - at - 15).trimmed().toInt();
                if (received.size() >= end + 4 + length) {
                    loop.quit();
                }
            }
        });
        QElapsedTimer timer;
        timer.start();
        socket.connectToHost(QHostAddress::LocalHost, m_server->port());
        socket.write("GET " + path.toUtf8() + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        deadline.start(15000);
        loop.exec();
        answer.elapsedMs = timer.elapsed();
        const auto end = received.indexOf("\r\n\r\n");
        answer.status = received.mid(9, 3).toInt();
        answer.head = received.left(end).toLower();
        answer.body = received.mid(end + 4);
        return answer;
    }

    void startServer(const FamilyCodeThrottle::Settings& guessing)
    {
        m_server
            = std::make_unique<LoopbackFamilyServer>(LoopbackFamilyServer::Setup { .guessing = guessing });
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        m_code = m_server->call("POST", u"/api/v1/families"_s).json().value(u"familyCode"_s).toString();
        m_otherCode = m_server->call("POST", u"/api/v1/families"_s).json().value(u"familyCode"_s).toString();
        const auto child = m_server->call("POST", u"/api/v1/families/%1/devices"_s.arg(m_code),
                                          R"({"role":"child","name":"Ann"})");
        QCOMPARE(child.status, 201);
        m_child = child.json().value(u"deviceId"_s).toString();
    }

    QString deadCode(int n) const
    {
        for (int candidate = n;; ++candidate) {
            const auto code = u"%1"_s.arg(candidate % 1000000, 6, 10, QLatin1Char('0'));
            if (code != m_code && code != m_otherCode) {
                return code;
            }
        }
    }

    std::unique_ptr<SettableClock> m_clock;
    std::unique_ptr<LoopbackFamilyServer> m_server;
    QString m_code;
    QString m_child;
    QString m_otherCode;
};

QTEST_GUILESS_MAIN(TestFamilyCodeGuessing)
#include "TestFamilyCodeGuessing.moc"
