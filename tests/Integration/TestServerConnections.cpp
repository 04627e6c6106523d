#include "support/LoopbackFamilyServer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTest>

#include <arpa/inet.h>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QByteArray displayInfoRequest = "GET /api/v1/public/app-display-info HTTP/1.1\r\nHost: x\r\n\r\n";

// The resident memory a held body would take: anonymous pages. The database file the server maps
// for reading is resident too, and grows as its checkpoints touch it, but holds no upload.
qint64 residentKiB(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const auto& line : status.readAll().split('\n')) {
        if (line.startsWith("RssAnon:")) {
            return line.mid(8).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

} // namespace

// The server process as clients that hold connections, stall or send too much meet it, over
// loopback: it closes what stalls, sheds idle connections instead of running out of descriptors,
// and refuses an oversized chunked body without holding it.
class TestServerConnections : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        LoopbackFamilyServer::Setup setup;
        setup.mode = LoopbackFamilyServer::Mode::Process;
        setup.extraArguments = QStringList { u"--header-timeout-seconds"_s,
                                             u"1"_s,
                                             u"--idle-timeout-seconds"_s,
                                             u"2"_s,
                                             u"--listen"_s,
                                             u"[::1]:0"_s };
        m_server = std::make_unique<LoopbackFamilyServer>(setup);
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    }

    void cleanupTestCase() { m_server.reset(); }

    void stalledConnectionsAreClosed_data()
    {
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<int>("timeoutMs");
        QTest::newRow("silent") << QByteArray() << 1000;
        QTest::newRow("half a head") << "GET /api/v1/public/app-display-info HTTP/1.1\r\nHo"_ba << 1000;
        QTest::newRow("kept alive after an answer") << displayInfoRequest << 2000;
        // Such a client reads its answer until the connection closes.
        QTest::newRow("HTTP/1.0, closed after its answer")
            << "GET /api/v1/public/app-display-info HTTP/1.0\r\n\r\n"_ba << 0;
    }

    void stalledConnectionsAreClosed()
    {
        QFETCH(QByteArray, sent);
        QFETCH(int, timeoutMs);
        QTcpSocket socket;
        socket.connectToHost(u"127.0.0.1"_s, m_server->port());
        QVERIFY(socket.waitForConnected(5000));
        QElapsedTimer timer;
        timer.start();
        socket.write(sent);
        QTRY_COMPARE_WITH_TIMEOUT(socket.state(), QAbstractSocket::UnconnectedState, timeoutMs + 5000);
        QVERIFY2(timer.elapsed() >= timeoutMs - 100 && timer.elapsed() < timeoutMs + 1500,
                 qPrintable(u"closed after %1 ms"_s.arg(timer.elapsed())));
        if (!sent.isEmpty() && sent.endsWith("\r\n\r\n")) {
            QVERIFY(socket.readAll().startsWith("HTTP/1.1 200"));
        }
    }

    void keepsServingWhileFloodedWithIdleConnections()
    {
        rlimit own {};
        QVERIFY(::getrlimit(RLIMIT_NOFILE, &own) == 0);
        if (own.rlim_max < 2200) {
            QSKIP("the test itself may not open 2,000 connections here");
        }
        own.rlim_cur = own.rlim_max;
        QVERIFY(::setrlimit(RLIMIT_NOFILE, &own) == 0);

        LoopbackFamilyServer::Setup setup;
        setup.mode = LoopbackFamilyServer::Mode::Process;
        setup.fileLimit = 1024;
        LoopbackFamilyServer server(setup);
        QVERIFY2(server.start(), qPrintable(server.errorString()));

        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(server.port());
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::vector<int> held;
        for (int i = 0; i < 2000; ++i) {
            const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            QVERIFY(descriptor >= 0);
            held.push_back(descriptor);
            ::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        }
        QTest::qWait(1000);
        const auto answer = server.call("GET", u"/api/v1/public/app-display-info"_s);
        for (const int descriptor : held) {
            ::close(descriptor);
        }
        QCOMPARE(answer.status, 200);
        QCOMPARE(server.call("POST", u"/api/v1/families"_s).status, 201);
    }

    void chunkedUploadIsRefusedWithoutBeingHeld()
    {
        // Sends up to `chunks` chunks of 64 KiB, each written before the next, and returns the answer.
        const auto upload = [this](int chunks) {
            QTcpSocket socket;
            socket.connectToHost(u"127.0.0.1"_s, m_server->port());
            socket.waitForConnected(5000);
            socket.write("POST /api/v1/feedbacks HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n");
            const QByteArray chunk(64 * 1024, 'a');
            const auto chunkLine = QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
            QByteArray answer;
            for (int i = 0;
                 i < chunks && socket.state() == QAbstractSocket::ConnectedState && answer.isEmpty(); ++i) {
                socket.write(chunkLine);
                while (socket.bytesToWrite() > 0 && socket.state() == QAbstractSocket::ConnectedState) {
                    socket.waitForBytesWritten(1000);
                    answer += socket.readAll();
                }
                answer += socket.readAll();
            }
            QElapsedTimer waited;
            waited.start();
            while (!answer.contains("\r\n\r\n{") && socket.state() == QAbstractSocket::ConnectedState
                   && waited.elapsed() < 10000) {
                socket.waitForReadyRead(100);
                answer += socket.readAll();
            }
            return answer;
        };
        // A first refusal settles what any request costs once (a worker's connection, buffers); what
        // a body that does not end costs on top is measured after it.
        QVERIFY(upload(8).startsWith("HTTP/1.1 413"));
        const auto before = residentKiB(m_server->processId());
        const auto answer = upload(300 * 16); // 300 MiB unless answered first
        QVERIFY2(answer.startsWith("HTTP/1.1 413"), answer.left(200).constData());
        const auto grownKiB = residentKiB(m_server->processId()) - before;
        QVERIFY2(grownKiB < 2048, qPrintable(u"resident memory grew by %1 KiB"_s.arg(grownKiB)));
    }

    void answersOnEveryListenAddress_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("listen");
        QTest::newRow("IPv4, first --listen") << u"127.0.0.1"_s << 0;
        QTest::newRow("IPv6, second --listen") << u"::1"_s << 1;
    }

    void answersOnEveryListenAddress()
    {
        QFETCH(QString, host);
        QFETCH(int, listen);
        QTcpSocket socket;
        socket.connectToHost(host, m_server->ports().value(listen));
        QVERIFY(socket.waitForConnected(5000));
        socket.write(displayInfoRequest);
        QByteArray answer;
        QTRY_VERIFY_WITH_TIMEOUT((answer += socket.readAll()).endsWith("{}"), 5000);
        QVERIFY(answer.startsWith("HTTP/1.1 200"));
    }

private:
    std::unique_ptr<LoopbackFamilyServer> m_server;
};

QTEST_GUILESS_MAIN(TestServerConnections)
#include "TestServerConnections.moc"
