#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicy.h"
#include "Protocol/SerializationError.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/URLError.h"
#include "Services/Network/UserFriendlyMessage.h"
#include "support/AwaitTask.h"
#include "support/CountingNetworkAccessManager.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"
#include "support/RecordingHTTPServer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTcpServer>
#include <QTest>

#include <functional>
#include <tuple>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

// One backend operation, its result turned into JSON (null for operations without a result).
using Operation = std::function<QCoro::Task<QJsonValue>(const RemoteAPIClient&)>;
Q_DECLARE_METATYPE(Operation)

namespace {

template <typename T> QJsonValue listJson(const QList<T>& items)
{
    QJsonArray array;
    for (const auto& item : items) {
        array.append(item.toJson());
    }
    return array;
}

QJsonValue parsed(const QByteArray& json)
{
    if (json.isEmpty()) {
        return QJsonValue::Null;
    }
    // Wrapped so that a bare number parses as well.
    return QJsonDocument::fromJson("[" + json + "]").array().at(0);
}

// Headers Qt's HTTP stack sends on its own on every request (see RemoteAPIClient.cpp); the client
// adds only "Content-Type", and "Content-Length" comes with every body.
const QList<QByteArray> kStackHeaders { "host", "connection", "accept-encoding", "accept-language",
                                        "user-agent" };

// Operations for the transport rows: two that retry a transient failure once, one that does not.
QCoro::Task<QJsonValue> fetchDevices(const RemoteAPIClient& c)
{
    auto task = c.fetchDevices(u"123456"_s);
    co_return listJson(co_await task);
}

QCoro::Task<QJsonValue> fetchUnlockRequests(const RemoteAPIClient& c)
{
    auto task = c.fetchUnlockRequests(u"123456"_s, u"pending"_s);
    co_return listJson(co_await task);
}

QCoro::Task<QJsonValue> fetchPolicy(const RemoteAPIClient& c)
{
    auto task = c.fetchPolicy(u"d1"_s);
    co_return (co_await task).toJson();
}

// Decodes as a device list and as an unlock-request list alike.
const QByteArray kListAnswer = R"({"devices":[],"items":[]})";

} // namespace

class TestRemoteAPIClient : public QObject
{
    Q_OBJECT

private:
    MemoryUserDefaults m_defaults;
    MemorySecureStore m_keychain;
    std::unique_ptr<RecordingHTTPServer> m_server;
    std::unique_ptr<CountingNetworkAccessManager> m_session;

    RemoteAPIClient client(const QString& suffix = QString())
    {
        RemoteBackendConfig config(m_defaults, m_keychain, *m_session);
        config.setBaseURLOverride(m_server->baseURLString() + suffix);
        return *RemoteAPIClient::make(config);
    }

    // For the transport rows: a server that never answers is given up on quickly.
    RemoteAPIClient impatientClient(const QString& base)
    {
        RemoteBackendConfig config(m_defaults, m_keychain, *m_session);
        config.setBaseURLOverride(base);
        auto made = *RemoteAPIClient::make(config);
        made.setRequestTimeout(400ms);
        return made;
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

    void operations_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QByteArray>("method");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("body"); // JSON compared as a value; empty: no body at all
        QTest::addColumn<bool>("contentType");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QByteArray>("result"); // the operation's result as JSON; empty: none

        QTest::newRow("fetchDevices, no body")
            << Operation(fetchDevices) << QByteArray("GET") << QByteArray("/api/v1/families/123456/devices")
            << QByteArray() << false << 200 << QByteArray(R"({"devices":[]})") << QByteArray("[]");
        QTest::newRow("createFamily, no body")
            << Operation([](const RemoteAPIClient& c) -> QCoro::Task<QJsonValue> {
                   auto task = c.createFamily();
                   co_return (co_await task).toJson();
               })
            << QByteArray("POST") << QByteArray("/api/v1/families") << QByteArray("") << true << 201
            << QByteArray(R"({"familyId":"f","familyCode":"123456"})")
            << QByteArray(R"({"familyId":"f","familyCode":"123456"})");
        QTest::newRow("patchChildDeviceDisplayName")
            << Operation([](const RemoteAPIClient& c) -> QCoro::Task<QJsonValue> {
                   auto task = c.patchChildDeviceDisplayName(u"d/1"_s, u"12 3&4+5="_s, u"新名字"_s);
                   co_await task;
                   co_return QJsonValue::Null;
               })
            << QByteArray("PATCH") << QByteArray("/api/v1/devices/d%2F1?familyCode=12%203%264%2B5%3D")
            << QByteArray(R"({"name":"新名字"})") << true << 200 << QByteArray() << QByteArray();
    }

    void operations()
    {
        QFETCH(Operation, operation);
        QFETCH(QByteArray, method);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, body);
        QFETCH(bool, contentType);
        QFETCH(int, status);
        QFETCH(QByteArray, answer);
        QFETCH(QByteArray, result);

        m_server->enqueue(RecordingHTTPServer::json(status, answer));
        const auto outcome = AwaitTask::run(operation(client()));
        if (outcome.error) {
            QFAIL(qPrintable(userFriendlyMessage(outcome.error)));
        }
        QCOMPARE(*outcome.value, parsed(result));

        QCOMPARE(m_server->requests().size(), 1);
        const auto& request = m_server->requests().first();
        QCOMPARE(request.method, method);
        QCOMPARE(request.target, target);
        auto expectedHeaders = kStackHeaders;
        if (contentType) {
            expectedHeaders << "content-type"
                            << "content-length";
            QCOMPARE(request.header("Content-Type"), QByteArray("application/json"));
            QCOMPARE(request.header("Content-Length"), QByteArray::number(request.body.size()));
        }
        auto names = request.headerNames();
        std::sort(names.begin(), names.end());
        std::sort(expectedHeaders.begin(), expectedHeaders.end());
        QCOMPARE(names, expectedHeaders);
        if (body.isEmpty()) {
            QCOMPARE(request.body, QByteArray());
        } else {
            QCOMPARE(parsed(request.body), parsed(body));
            QVERIFY2(!request.body.contains('\n'), "bodies are compact");
        }
    }

    // A broken or hostile server cannot make the client hold more than the cap, whether it says
    // the size up front or streams without one.
    void oversizedAnswers_data()
    {
        QTest::addColumn<RecordingHTTPServer::Answer>("answer");
        QTest::newRow("declared") << RecordingHTTPServer::json(
            200, QByteArray(RemoteAPIClient::maximumResponseBytes + 1, ' '));
        QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
        const QByteArray chunk(64 * 1024, 'x');
        for (qint64 sent = 0; sent <= RemoteAPIClient::maximumResponseBytes; sent += chunk.size()) {
            chunked += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
        }
        QTest::newRow("streamed") << RecordingHTTPServer::raw(chunked + "0\r\n\r\n");
    }

    void oversizedAnswers()
    {
        QFETCH(RecordingHTTPServer::Answer, answer);
        m_server->enqueue(answer);
        const auto outcome = AwaitTask::run(client().fetchPublicAppDisplayInfo());
        const auto error = outcome.errorAs<URLError>();
        QVERIFY(error);
        QCOMPARE(error->code(), URLError::Code::dataLengthExceedsMaximum);
    }

    void nothingIsSentWhenTheBodyCannotBeWritten()
    {
        const QVariantMap selection { { u"bad"_s, std::numeric_limits<double>::infinity() } };
        const auto outcome = AwaitTask::run(client().upsertPolicy(u"d"_s, ScreenTimePolicy(), selection));
        QVERIFY(outcome.errorAs<SerializationError>());

        const QList<QVariantMap> sessions { { { u"startAt"_s, QDateTime::currentDateTimeUtc() } } };
        const auto sessionOutcome
            = AwaitTask::run(client().upsertUsageSessions(u"d"_s, u"day"_s, u"mac"_s, sessions));
        QVERIFY(sessionOutcome.errorAs<SerializationError>());

        const auto dotOutcome = AwaitTask::run(client().fetchPolicy(u".."_s));
        QCOMPARE(dotOutcome.errorAs<URLError>()->code(), URLError::Code::badURL);
        QCOMPARE(m_server->requests().size(), 0);
    }

    void baseAddressWithAPath()
    {
        const auto outcome = AwaitTask::run(client(u"/prefix//"_s).submitFeedback({}));
        QVERIFY(outcome.value);
        QCOMPARE(m_server->requests().first().target, QByteArray("/prefix/api/v1/feedbacks"));
    }

    void cookiesAreNeitherKeptNorSent()
    {
        auto setsCookie = RecordingHTTPServer::json(200, "{}");
        setsCookie.headers.append(qMakePair(QByteArray("Set-Cookie"), QByteArray("session=abc; Path=/")));
        m_server->enqueue(setsCookie);
        QVERIFY(AwaitTask::run(client().submitFeedback({})).value);
        QVERIFY(AwaitTask::run(client().submitFeedback({})).value);
        QCOMPARE(m_server->requests().size(), 2);
        QVERIFY(!m_server->requests().at(1).hasHeader("cookie"));
    }

    // A transient failure: the retrying operations ask once more (and come back with the second
    // attempt's answer when there is one); the others fail at once with the transport's error.
    void transientFailures_data()
    {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<int>("attempts");
        QTest::addColumn<QString>("failure");
        QTest::addColumn<int>("code"); // URLError::Code; -1: the second attempt's answer
        using Code = URLError::Code;
        const QList<std::tuple<const char*, Operation, int>> operations {
            { "fetchDevices", fetchDevices, 2 },
            { "fetchUnlockRequests", fetchUnlockRequests, 2 },
            { "fetchPolicy", fetchPolicy, 1 },
        };
        for (const auto& [name, operation, attempts] : operations) {
            QTest::addRow("%s, closed mid-answer", name)
                << operation << attempts << u"closed"_s
                << (attempts == 2 ? -1 : int(Code::networkConnectionLost));
            QTest::addRow("%s, refused", name)
                << operation << attempts << u"refused"_s << int(Code::cannotConnectToHost);
            QTest::addRow("%s, never answered", name)
                << operation << attempts << u"silent"_s << int(Code::timedOut);
        }
    }

    void transientFailures()
    {
        QFETCH(Operation, operation);
        QFETCH(int, attempts);
        QFETCH(QString, failure);
        QFETCH(int, code);
        QString base = m_server->baseURLString();
        if (failure == u"closed"_s) {
            m_server->enqueue(RecordingHTTPServer::closeMidAnswer());
            m_server->enqueue(RecordingHTTPServer::json(200, kListAnswer));
        } else if (failure == u"silent"_s) {
            m_server->enqueue(RecordingHTTPServer::neverAnswer());
            m_server->enqueue(RecordingHTTPServer::neverAnswer());
        } else {
            QTcpServer placeholder;
            QVERIFY(placeholder.listen(QHostAddress::LocalHost, 0));
            base = u"http://127.0.0.1:%1"_s.arg(placeholder.serverPort());
        }

        const auto outcome = AwaitTask::run(operation(impatientClient(base)));
        QCOMPARE(m_session->requestCount(), attempts);
        if (code < 0) {
            QVERIFY(outcome.value.has_value());
            return;
        }
        const auto error = outcome.errorAs<URLError>();
        QVERIFY(error);
        QCOMPARE(int(error->code()), code);
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

        const auto outcome = AwaitTask::run(operation(impatientClient(m_server->baseURLString())));
        QVERIFY(outcome.error);
        QCOMPARE(m_server->requests().size(), 1);
    }
};

Q_DECLARE_METATYPE(RecordingHTTPServer::Answer)

QTEST_GUILESS_MAIN(TestRemoteAPIClient)
#include "TestRemoteAPIClient.moc"
