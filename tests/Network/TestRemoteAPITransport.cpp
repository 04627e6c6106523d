#include "Models/RemoteBackendConfig.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/RemoteAPIError.h"
#include "Services/Network/URLError.h"
#include "Services/Network/UserFriendlyMessage.h"
#include "support/AwaitTask.h"
#include "support/CountingNetworkAccessManager.h"
#include "support/MemoryUserDefaults.h"
#include "support/RecordingHTTPServer.h"

#include <QTcpServer>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// One backend operation whose result is dropped: these tests look only at how it fails.
using Operation = std::function<QCoro::Task<>(const RemoteAPIClient&)>;
Q_DECLARE_METATYPE(Operation)
Q_DECLARE_METATYPE(URLError::Code)

namespace {

QCoro::Task<> fetchDevices(const RemoteAPIClient& c)
{
    auto task = c.fetchDevices(u"123456"_s);
    co_await task;
}

QCoro::Task<> fetchUnlockRequests(const RemoteAPIClient& c)
{
    auto task = c.fetchUnlockRequests(u"123456"_s, u"pending"_s);
    co_await task;
}

QCoro::Task<> fetchPolicy(const RemoteAPIClient& c)
{
    auto task = c.fetchPolicy(u"d1"_s);
    co_await task;
}

// Decodes as a device list and as an unlock-request list alike.
const QByteArray kListAnswer = R"({"devices":[],"items":[]})";

} // namespace

class TestRemoteAPITransport : public QObject
{
    Q_OBJECT

private:
    MemoryUserDefaults m_defaults;
    std::unique_ptr<RecordingHTTPServer> m_server;
    std::unique_ptr<CountingNetworkAccessManager> m_session;

    RemoteAPIClient client(const QString& base) const
    {
        RemoteBackendConfig config;
        config.setBaseURLOverride(base);
        auto made = *RemoteAPIClient::make(config, m_session.get());
        made.setRequestTimeout(400ms);
        return made;
    }

    static void addOperations()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<int>("attempts"); // on a transient failure
        QTest::newRow("fetchDevices retries") << Operation(fetchDevices) << 2;
        QTest::newRow("fetchUnlockRequests retries") << Operation(fetchUnlockRequests) << 2;
        QTest::newRow("fetchPolicy") << Operation(fetchPolicy) << 1;
    }

private slots:
    void init()
    {
        m_server = std::make_unique<RecordingHTTPServer>();
        QVERIFY(m_server->listen());
        m_session = std::make_unique<CountingNetworkAccessManager>();
    }

    void cleanup()
    {
        m_session.reset();
        m_server.reset();
    }

    void closedMidAnswerThenAnswered_data() { addOperations(); }

    // The retrying operations come back with the second attempt's result; the others fail with
    // the lost connection and never ask twice.
    void closedMidAnswerThenAnswered()
    {
        QFETCH(Operation, operation);
        QFETCH(int, attempts);
        m_server->enqueue(RecordingHTTPServer::closeMidAnswer());
        m_server->enqueue(RecordingHTTPServer::json(200, kListAnswer));

        const auto outcome = AwaitTask::run(operation(client(m_server->baseURLString())));
        QCOMPARE(m_server->requests().size(), attempts);
        if (attempts == 2) {
            QVERIFY(outcome.value.has_value());
        } else {
            const auto error = outcome.errorAs<URLError>();
            QVERIFY(error);
            QCOMPARE(error->code(), URLError::Code::networkConnectionLost);
            QCOMPARE(userFriendlyMessage(outcome.error), u"请检查网络连接"_s);
        }
    }

    void refused_data() { addOperations(); }

    void refused()
    {
        QFETCH(Operation, operation);
        QFETCH(int, attempts);
        QTcpServer placeholder;
        QVERIFY(placeholder.listen(QHostAddress::LocalHost, 0));
        const auto port = placeholder.serverPort();
        placeholder.close();

        const auto outcome = AwaitTask::run(operation(client(u"http://127.0.0.1:%1"_s.arg(port))));
        const auto error = outcome.errorAs<URLError>();
        QVERIFY(error);
        QCOMPARE(error->code(), URLError::Code::cannotConnectToHost);
        QCOMPARE(m_session->requestCount(), attempts);
        QCOMPARE(userFriendlyMessage(outcome.error), u"无法连接服务器，请确认设备与电脑在同一 Wi‑Fi"_s);
    }

    void neverAnswered_data() { addOperations(); }

    void neverAnswered()
    {
        QFETCH(Operation, operation);
        QFETCH(int, attempts);
        m_server->enqueue(RecordingHTTPServer::neverAnswer());
        m_server->enqueue(RecordingHTTPServer::neverAnswer());

        const auto outcome = AwaitTask::run(operation(client(m_server->baseURLString())));
        const auto error = outcome.errorAs<URLError>();
        QVERIFY(error);
        QCOMPARE(error->code(), URLError::Code::timedOut);
        QCOMPARE(m_server->requests().size(), attempts);
        QCOMPARE(m_session->requestCount(), attempts);
        QCOMPARE(userFriendlyMessage(outcome.error), u"连接超时，请重试"_s);
    }

    void secondTransientErrorIsPassedOn_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("fetchDevices") << Operation(fetchDevices);
        QTest::newRow("fetchUnlockRequests") << Operation(fetchUnlockRequests);
    }

    void secondTransientErrorIsPassedOn()
    {
        QFETCH(Operation, operation);
        m_server->enqueue(RecordingHTTPServer::closeMidAnswer());
        m_server->enqueue(RecordingHTTPServer::neverAnswer());
        m_server->enqueue(RecordingHTTPServer::json(200, kListAnswer));

        const auto outcome = AwaitTask::run(operation(client(m_server->baseURLString())));
        const auto error = outcome.errorAs<URLError>();
        QVERIFY(error);
        QCOMPARE(error->code(), URLError::Code::timedOut);
        QCOMPARE(m_server->requests().size(), 2);
    }

    void otherErrorsAreNotRetried_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<RecordingHTTPServer::Answer>("answer");
        QTest::newRow("devices, server error")
            << Operation(fetchDevices) << RecordingHTTPServer::json(503, R"({"error":"down"})");
        QTest::newRow("devices, malformed list")
            << Operation(fetchDevices) << RecordingHTTPServer::json(200, R"({"devices":[{"id":"1"}]})");
        QTest::newRow("requests, too large")
            << Operation(fetchUnlockRequests)
            << RecordingHTTPServer::json(200, QByteArray(RemoteAPIClient::maximumResponseBytes + 1, ' '));
    }

    void otherErrorsAreNotRetried()
    {
        QFETCH(Operation, operation);
        QFETCH(RecordingHTTPServer::Answer, answer);
        m_server->enqueue(answer);
        m_server->enqueue(RecordingHTTPServer::json(200, kListAnswer));

        const auto outcome = AwaitTask::run(operation(client(m_server->baseURLString())));
        QVERIFY(outcome.error);
        QCOMPARE(m_server->requests().size(), 1);
    }
};

Q_DECLARE_METATYPE(RecordingHTTPServer::Answer)

QTEST_GUILESS_MAIN(TestRemoteAPITransport)
#include "TestRemoteAPITransport.moc"
