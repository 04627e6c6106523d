#include "support/LoopbackFamilyServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

// The server over real HTTP on a loopback port, on SQLite and on PostgreSQL: what the real client
// never sends (malformed, mistyped, oversized, misrouted requests) is refused with a JSON error
// and changes nothing, and two instances on one database serve the same family.
class TestServerHttp : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase_data() { addDatabaseRows(); }

    void init()
    {
        VANTOREL_FETCH_DATABASE(database);
        LoopbackFamilyServer::Setup setup;
        setup.database = database;
        m_server = std::make_unique<LoopbackFamilyServer>(setup);
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
        const auto family = m_server->call("POST", u"/api/v1/families"_s);
        QCOMPARE(family.status, 201);
        m_code = family.json().value(u"familyCode"_s).toString();
        const auto child = m_server->call("POST", u"/api/v1/families/%1/devices"_s.arg(m_code),
                                          "{\"role\":\"child\",\"name\":\"Ann\"}");
        QCOMPARE(child.status, 201);
        m_child = child.json().value(u"deviceId"_s).toString();
    }

    void cleanup() { m_server.reset(); }

    void badRequestsChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");

        const QByteArray policy = "{\"dailyLimitMinutes\":30,\"blockedStart\":{\"hour\":21,\"minute\":0},"
                                  "\"blockedEnd\":{\"hour\":7,\"minute\":0}}";
        QTest::newRow("malformed JSON") << "POST"_ba << u"/api/v1/families/{code}/devices"_s
                                        << "{\"role\":\"child\","_ba << 400 << u"invalid body"_s;
        QTest::newRow("session without duration")
            << "POST"_ba << u"/api/v1/devices/{child}/usage/sessions"_s
            << "{\"usageDate\":\"2026-12-06\",\"source\":\"mac\",\"sessions\":[{\"startAt\":\"2026-12-06T01:00:00.000Z\",\"endAt\":\"2026-12-06T01:01:00.000Z\",\"appBundleId\":\"a\",\"durationSeconds\":60},{\"startAt\":\"2026-12-06T02:00:00.000Z\",\"endAt\":\"2026-12-06T02:01:00.000Z\",\"appBundleId\":\"a\"}]}"_ba
            << 400 << u"durationSeconds"_s;
        QTest::newRow("decision neither approve nor reject")
            << "POST"_ba << u"/api/v1/unlock-requests/nope/decision"_s << "{\"action\":\"maybe\"}"_ba << 400
            << u"action"_s;
        QTest::newRow("decision on no request") << "POST"_ba << u"/api/v1/unlock-requests/nope/decision"_s
                                                << "{\"action\":\"approve\"}"_ba << 404 << u"not found"_s;
        QTest::newRow("unknown path")
            << "GET"_ba << u"/api/v1/nothing"_s << QByteArray() << 404 << u"not found"_s;
        QTest::newRow("path one segment too long")
            << "GET"_ba << u"/api/v1/devices/{child}/policy/x"_s << QByteArray() << 404 << u"not found"_s;
        QTest::newRow("unknown method")
            << "DELETE"_ba << u"/api/v1/families"_s << QByteArray() << 405 << u"method not allowed"_s;
        // Sizes a peer controls inside the body limit.
        QTest::newRow("application longer than a path")
            << "POST"_ba << u"/api/v1/devices/{child}/usage/sessions"_s
            << "{\"usageDate\":\"2026-12-06\",\"source\":\"mac\",\"sessions\":[{\"startAt\":\"2026-12-06T01:"
               "00:"
               "00.000Z\",\"endAt\":\"2026-12-06T01:01:00.000Z\",\"durationSeconds\":60,\"appBundleId\":\""
                + QByteArray(4097, 'a') + "\"}]}"
            << 400 << u"appBundleId"_s;
        QTest::newRow("feedback contact of 201 characters")
            << "POST"_ba << u"/api/v1/feedbacks"_s
            << "{\"platform\":\"mac\",\"category\":\"bug\",\"content\":\"x\",\"appVersion\":\"1\","
               "\"osVersion\":"
               "\"1\",\"contact\":\""
                + QByteArray(201, 'c') + "\"}"
            << 400 << u"contact"_s;
        QTest::newRow("oversized body")
            << "PUT"_ba << u"/api/v1/devices/{child}/policy"_s
            << "{\"selection\":{\"x\":\"" + QByteArray(300 * 1024, 'a') + "\"},\"policy\":" + policy + "}"
            << 413 << u"larger than"_s;
    }

    void badRequestsChangeNothing()
    {
        QFETCH(QByteArray, method);
        QFETCH(QString, path);
        QFETCH(QByteArray, body);
        QFETCH(int, status);
        QFETCH(QString, error);
        const auto response = m_server->call(method, expand(path), body);
        QCOMPARE(response.status, status);
        QVERIFY2(response.json().value(u"error"_s).toString().contains(error),
                 response.body.left(300).constData());

        const auto devices = m_server->call("GET", u"/api/v1/families/%1/devices"_s.arg(m_code)).json();
        QCOMPARE(devices.value(u"devices"_s).toArray().size(), 1);
        QCOMPARE(devices.value(u"devices"_s).toArray().at(0).toObject().value(u"name"_s).toString(),
                 u"Ann"_s);
        const auto policy = m_server->call("GET", u"/api/v1/devices/%1/policy"_s.arg(m_child)).json();
        QCOMPARE(policy.value(u"policy"_s).toObject().value(u"dailyLimitMinutes"_s).toInt(), 120);
        QCOMPARE(m_server->call("GET", u"/api/v1/devices/%1/usage/today"_s.arg(m_child))
                     .json()
                     .value(u"todayUsageSeconds"_s),
                 QJsonValue(0));
        const auto pending
            = m_server->call("GET", u"/api/v1/unlock-requests?familyCode=%1"_s.arg(m_code)).json();
        QVERIFY(pending.value(u"items"_s).toArray().isEmpty());
        QCOMPARE(
            m_server->call("GET", u"/api/v1/devices/%1/health?familyCode=%2"_s.arg(m_child, m_code)).body,
            "{\"reported\":false}"_ba);
    }

    void oversizedRequestsAreRefusedEarly_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        // Only the head and 1 KiB of the announced 10 MB are sent: the answer must come without the
        // rest. Header names come in any case (a proxy may lower them).
        QTest::newRow("announced 10 MB")
            << "POST /api/v1/feedbacks HTTP/1.1\r\nHost: x\r\ncontent-LENGTH: 10000000\r\n\r\n"
                + QByteArray(1024, 'a')
            << 413;
        // Lengths a proxy in front could read otherwise than the server.
        const QByteArray feedback = "POST /api/v1/feedbacks HTTP/1.1\r\nHost: x\r\n";
        QTest::newRow("both lengths") << feedback + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n"
                                      << 400;
        QTest::newRow("two lengths") << feedback + "Content-Length: 2\r\nContent-Length: 5\r\n\r\n{}" << 400;
        QTest::newRow("length not a number") << feedback + "Content-Length: 1e3\r\n\r\n" << 400;
        QTest::newRow("70 KiB of headers")
            << "GET /api/v1/public/app-display-info HTTP/1.1\r\nX-Filler: " + QByteArray(70 * 1024, 'b')
            << 431;
    }

    void oversizedRequestsAreRefusedEarly()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, m_server->port());
        QVERIFY(socket.waitForConnected(5000));
        socket.write(request);
        QByteArray answer;
        QTRY_VERIFY_WITH_TIMEOUT((answer += socket.readAll()).contains("\r\n\r\n{"), 10000);
        QCOMPARE(answer.mid(9, 3).toInt(), status);
        QVERIFY(answer.contains("{\"error\":\""));
        QCOMPARE(m_server->call("GET", u"/api/v1/public/app-display-info"_s).status, 200);
    }

    void twoInstancesServeTheSameFamily()
    {
        LoopbackFamilyServer::Setup setup;
        setup.mode = LoopbackFamilyServer::Mode::Process;
        setup.sharedDatabaseUrl = m_server->databaseUrl();
        LoopbackFamilyServer other(setup);
        QVERIFY2(other.start(), qPrintable(other.errorString()));

        // The hourly allowance is counted in the database, not per instance.
        for (int i = 0; i < 5; ++i) {
            auto& server = i % 2 ? other : *m_server;
            QCOMPARE(server.call("POST", u"/api/v1/devices/%1/unlock-requests"_s.arg(m_child), "{}").status,
                     201);
        }
        const auto refused = other.call("POST", u"/api/v1/devices/%1/unlock-requests"_s.arg(m_child), "{}");
        QCOMPARE(refused.status, 429);
        QVERIFY(refused.json().value(u"error"_s).toString().contains(u"rate limit"_s));

        // A decision taken on one instance shows in the policy the other serves.
        const auto items
            = other.call("GET", u"/api/v1/unlock-requests?familyCode=%1&status=pending"_s.arg(m_code))
                  .json()
                  .value(u"items"_s);
        QCOMPARE(items.toArray().size(), 5);
        const auto id = items.toArray().at(0).toObject().value(u"id"_s).toString();
        QCOMPARE(
            other.call("POST", u"/api/v1/unlock-requests/%1/decision"_s.arg(id), "{\"action\":\"approve\"}")
                .status,
            200);
        const auto policyPath = u"/api/v1/devices/%1/policy"_s.arg(m_child);
        QVERIFY(m_server->call("GET", policyPath).json()["policy"_L1]["unlockUntil"_L1].isString());
    }

private:
    QString expand(QString text) const
    {
        return text.replace(u"{code}"_s, m_code).replace(u"{child}"_s, m_child);
    }

    std::unique_ptr<LoopbackFamilyServer> m_server;
    QString m_code;
    QString m_child;
};

QTEST_GUILESS_MAIN(TestServerHttp)
#include "TestServerHttp.moc"
