// Load on the family server: the request mix of children's 45-second cycles (GET policy, PUT usage,
// POST sessions, PUT health), sent from this process to a vantorel-server process on 127.0.0.1
// over keep-alive connections, on SQLite and, when VANTOREL_TEST_POSTGRES_URL names a cluster, on
// PostgreSQL. Each child sends its device token, as the application does. Prints requests per second and
// latency percentiles. Bounded: at most --requests requests and --seconds seconds per target.
//
// Unless soaking, the ceiling is measured in the same run, before and after each database: a bare
// QHttpServer (this program again, with --ceiling-server) answering the same routes with canned
// JSON; the closing table gives each database's rate as a share of what HTTP alone reached on this
// machine around it (the mean of the two).
//
// --soak keeps the mix going for --seconds (600 by default there) over 20,000 children, registered
// up front four to a family, and prints a line per --report-seconds with that stretch's rate, p99,
// failures and the server's resident memory, then the memory at start and end: what a server that
// runs for days would show as drift.
#include "support/LoopbackFamilyServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHttpServer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

struct Settings
{
    int children = 2000;
    int connections = 16;
    qint64 requests = 40000;
    int seconds = 30;
    bool soak = false;
    int reportSeconds = 60;
    // The server's --database-threads, when given.
    QString databaseThreads;
    // Print where requests spent their time inside the server (its --stage-timings).
    bool stageTimings = false;
};

// A registered child as its requests name it: its id and, as the application sends it, its token.
struct Child
{
    QByteArray id;
    QByteArray authorization;
};

// Children per family when registering: a family holds at most a hundred devices.
constexpr int childrenPerFamily = 4;

// The resident memory of process `pid` in MiB, from /proc; 0 when it cannot be read.
double residentMiB(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const auto& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
        }
    }
    return 0;
}

// How many requests may still be sent, shared by every connection.
struct Budget
{
    qint64 limit = 0;
    qint64 sent = 0;
    qint64 milliseconds = 0;
    QElapsedTimer timer;

    bool exhausted() const { return sent >= limit || timer.elapsed() > milliseconds; }
    bool take()
    {
        if (exhausted()) {
            return false;
        }
        ++sent;
        return true;
    }
};

struct Figures
{
    qint64 done = 0;
    qint64 failed = 0;
    std::vector<double> latenciesMs;
    double elapsedS = 0;
};

// One keep-alive connection that sends the next request of the mix as soon as the last answer
// is complete.
class LoadConnection final : public QObject
{
public:
    LoadConnection(quint16 port, const QList<Child>& children, Figures& figures, Budget& budget)
        : m_port(port)
        , m_children(children)
        , m_figures(figures)
        , m_budget(budget)
    {
        connect(&m_socket, &QTcpSocket::readyRead, this, [this] { read(); });
        connect(&m_socket, &QTcpSocket::disconnected, this, [this] {
            if (m_waiting) {
                ++m_figures.failed;
                m_waiting = false;
            }
            reconnectAndSend();
        });
        connect(&m_socket, &QTcpSocket::connected, this, [this] { sendNext(); });
    }

    void start() { reconnectAndSend(); }
    bool idle() const { return !m_waiting; }

private:
    void reconnectAndSend()
    {
        if (m_budget.exhausted()) {
            return;
        }
        m_buffer.clear();
        m_socket.abort();
        m_socket.connectToHost(u"127.0.0.1"_s, m_port);
    }

    QByteArray nextRequest()
    {
        const auto& child = m_children.at(QRandomGenerator::global()->bounded(int(m_children.size())));
        const auto base = "/api/v1/devices/" + child.id;
        const auto now = QDateTime::currentDateTimeUtc();
        QByteArray method = "GET", path, body;
        switch (m_step++ % 4) {
        case 0:
            path = base + "/policy";
            break;
        case 1:
            method = "PUT";
            path = base + "/health";
            body
                = R"({"notificationsOk":true,"usageAccessOk":true,"overlayOk":true,"deviceAdminOk":true,"platform":"mac","appVersion":"1.0.0","osVersion":"Debian 12","managedSelectionOk":true})";
            break;
        case 2:
            method = "PUT";
            path = base + "/usage/today";
            body = R"({"todayUsageSeconds":)" + QByteArray::number(m_step) + R"(,"sampledAt":")"
                + now.toString(Qt::ISODate).toUtf8() + "\"}";
            break;
        default: {
            method = "POST";
            path = base + "/usage/sessions";
            // A day's list grows through the day: resend the last few sessions of this child.
            QJsonArray sessions;
            for (int i = 0; i < 4; ++i) {
                const auto start = now.addSecs(-600 * (i + 1));
                sessions.append(QJsonObject { { u"startAt"_s, start.toString(Qt::ISODateWithMs) },
                                              { u"endAt"_s, start.addSecs(300).toString(Qt::ISODateWithMs) },
                                              { u"appBundleId"_s, u"org.example.game"_s },
                                              { u"durationSeconds"_s, 300 } });
            }
            body = QJsonDocument(QJsonObject { { u"usageDate"_s, now.date().toString(Qt::ISODate) },
                                               { u"source"_s, u"mac"_s },
                                               { u"sessions"_s, sessions } })
                       .toJson(QJsonDocument::Compact);
        }
        }
        auto request = method + ' ' + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + child.authorization;
        if (!body.isEmpty()) {
            request += "Content-Type: application/json\r\nContent-Length: " + QByteArray::number(body.size())
                + "\r\n";
        }
        return request + "\r\n" + body;
    }

    void sendNext()
    {
        if (!m_budget.take()) {
            return;
        }
        m_waiting = true;
        m_timer.start();
        m_socket.write(nextRequest());
    }

    void read()
    {
        m_buffer += m_socket.readAll();
        const auto headerEnd = m_buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            return;
        }
        const auto headers = m_buffer.left(headerEnd).toLower();
        qint64 length = 0;
        if (const auto at = headers.indexOf("content-length:"); at >= 0) {
            length = headers.mid(at + 15, headers.indexOf("\r\n", at) - at - 15).trimmed().toLongLong();
        }
        if (m_buffer.size() < headerEnd + 4 + length) {
            return;
        }
        const auto status = m_buffer.mid(9, 3).toInt();
        m_buffer.remove(0, headerEnd + 4 + length);
        m_waiting = false;
        ++m_figures.done;
        if (status < 200 || status > 299) {
            ++m_figures.failed;
        }
        m_figures.latenciesMs.push_back(double(m_timer.nsecsElapsed()) / 1e6);
        if (headers.contains("connection: close")) {
            reconnectAndSend();
        } else {
            sendNext();
        }
    }

    quint16 m_port;
    const QList<Child>& m_children;
    Figures& m_figures;
    Budget& m_budget;
    QTcpSocket m_socket;
    QByteArray m_buffer;
    QElapsedTimer m_timer;
    qint64 m_step = 0;
    bool m_waiting = false;
};

double percentile(std::vector<double>& values, double fraction)
{
    if (values.empty()) {
        return 0;
    }
    const auto index = std::min(values.size() - 1, size_t(fraction * double(values.size())));
    std::nth_element(values.begin(), values.begin() + qsizetype(index), values.end());
    return values[index];
}

// One target's figures, for the closing table.
struct Outcome
{
    QString label;
    double rate = 0;
    double p50 = 0;
    double p99 = 0;
    // The server process's processor time per answered request.
    double cpuMicroseconds = 0;
};

// The processor time process `pid` has used so far in seconds, from /proc; 0 when it cannot be read.
double processorSeconds(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) {
        return 0;
    }
    // The command name in parentheses may hold spaces; the fields counted here come after it.
    const auto text = stat.readAll();
    const auto fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const auto ticks = fields.value(11).toDouble() + fields.value(12).toDouble();
    return ticks / double(sysconf(_SC_CLK_TCK));
}

// Drives the mix against the server on `port` (process `pid`) and prints its figures.
Outcome measure(const char* label, quint16 port, qint64 pid, const QList<Child>& children, double setupS,
                const Settings& settings)
{
    Figures figures;
    figures.latenciesMs.reserve(size_t(std::min<qint64>(settings.requests, 2000000)));
    Budget budget;
    budget.limit = settings.requests;
    budget.milliseconds = settings.seconds * 1000;
    budget.timer.start();
    auto& timer = budget.timer;
    std::vector<std::unique_ptr<LoadConnection>> connections;
    for (int i = 0; i < settings.connections; ++i) {
        connections.push_back(std::make_unique<LoadConnection>(port, children, figures, budget));
        connections.back()->start();
    }
    const auto startMiB = residentMiB(pid);
    const auto startCpuS = processorSeconds(pid);
    // Per stretch of --report-seconds in a soak: where the previous stretch ended.
    size_t stretchStart = 0;
    qint64 stretchFailed = 0;
    QElapsedTimer stretchTimer;
    stretchTimer.start();
    const auto reportStretch = [&] {
        std::vector<double> stretch(figures.latenciesMs.begin() + qsizetype(stretchStart),
                                    figures.latenciesMs.end());
        const auto seconds = double(stretchTimer.nsecsElapsed()) / 1e9;
        std::printf("%-10s %6.0f s: %7.0f req/s, p99 %.2f ms, %lld failed, server RSS %.1f MiB\n", label,
                    double(timer.elapsed()) / 1000, double(stretch.size()) / seconds,
                    percentile(stretch, 0.99), figures.failed - stretchFailed, residentMiB(pid));
        std::fflush(stdout);
        stretchStart = figures.latenciesMs.size();
        stretchFailed = figures.failed;
        stretchTimer.restart();
    };
    QTimer report;
    if (settings.soak) {
        QObject::connect(&report, &QTimer::timeout, reportStretch);
        report.start(settings.reportSeconds * 1000);
    }
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        const auto allIdle
            = std::all_of(connections.begin(), connections.end(), [](const auto& c) { return c->idle(); });
        if (budget.exhausted() && allIdle) {
            loop.quit();
        }
        if (timer.elapsed() > (settings.seconds + 30) * 1000) {
            loop.quit();
        }
    });
    poll.start(20);
    loop.exec();
    figures.elapsedS = double(timer.nsecsElapsed()) / 1e9;
    report.stop();
    const auto endMiB = residentMiB(pid);
    const auto cpuS = processorSeconds(pid) - startCpuS;
    connections.clear();

    const auto rate = double(figures.done) / figures.elapsedS;
    const auto p50 = percentile(figures.latenciesMs, 0.50);
    const auto p99 = percentile(figures.latenciesMs, 0.99);
    std::printf(
        "%-10s %6d children (registered in %.1f s), %d connections: %lld requests in %.1f s = %.0f req/s, "
        "p50 %.2f ms, p99 %.2f ms, %lld failed; target 1778 req/s (20000 children / 45 s x 4): %s\n",
        label, settings.children, setupS, settings.connections, figures.done, figures.elapsedS, rate, p50,
        p99, figures.failed, rate >= 1778 ? "met" : "NOT met");
    std::printf("%-10s server RSS %.1f MiB after registration, %.1f MiB at the end\n", label, startMiB,
                endMiB);
    std::fflush(stdout);
    return { QString::fromLatin1(label), rate, p50, p99,
             cpuS * 1e6 / double(std::max<qint64>(figures.done, 1)) };
}

std::optional<Outcome> run(const char* label, LoopbackFamilyServer::Database database,
                           const Settings& settings)
{
    LoopbackFamilyServer::Setup setup;
    setup.database = database;
    setup.mode = LoopbackFamilyServer::Mode::Process;
    if (!settings.databaseThreads.isEmpty()) {
        setup.extraArguments = QStringList { u"--database-threads"_s, settings.databaseThreads };
    }
    QTemporaryDir timingsDirectory;
    const auto timingsFile = timingsDirectory.filePath(u"stages.txt"_s);
    if (settings.stageTimings) {
        setup.extraArguments += QStringList { u"--stage-timings"_s, timingsFile };
    }
    LoopbackFamilyServer server(setup);
    if (!server.start()) {
        std::printf("%-10s not run: %s\n", label, qPrintable(server.errorString()));
        return std::nullopt;
    }
    QString code;
    QList<Child> children;
    QElapsedTimer setupTimer;
    setupTimer.start();
    for (int i = 0; i < settings.children; ++i) {
        if (i % childrenPerFamily == 0) {
            code = server.call("POST", u"/api/v1/families"_s).json().value(u"familyCode"_s).toString();
        }
        const auto device = server.call(
            "POST", u"/api/v1/families/%1/devices"_s.arg(code),
            QJsonDocument(QJsonObject { { u"role"_s, u"child"_s }, { u"name"_s, u"Child %1"_s.arg(i) } })
                .toJson(QJsonDocument::Compact));
        const auto answer = device.json();
        children.append(
            { answer.value(u"deviceId"_s).toString().toUtf8(),
              "Authorization: Bearer " + answer.value(u"deviceToken"_s).toString().toUtf8() + "\r\n" });
    }
    const auto setupS = double(setupTimer.elapsed()) / 1000;

    const auto outcome = measure(label, server.port(), server.processId(), children, setupS, settings);
    if (settings.stageTimings) {
        // The server writes its stages as it exits.
        server.stop();
        QFile stages(timingsFile);
        std::printf("%-10s stages inside the server:\n%s", label,
                    stages.open(QIODevice::ReadOnly) ? stages.readAll().constData() : "(none written)\n");
    }
    return outcome;
}

// The ceiling's server: the mix's routes answered with canned JSON of the real answers' size.
int serveCeiling()
{
    QHttpServer server;
    const auto policy = QJsonObject {
        { u"deviceId"_s, QUuid::createUuid().toString(QUuid::WithoutBraces) },
        { u"policy"_s,
          QJsonObject { { u"dailyLimitMinutes"_s, 120 },
                        { u"blockedStart"_s, QJsonObject { { u"hour"_s, 21 }, { u"minute"_s, 0 } } },
                        { u"blockedEnd"_s, QJsonObject { { u"hour"_s, 7 }, { u"minute"_s, 0 } } } } },
        { u"selection"_s, QJsonObject {} }
    };
    const auto usage = QJsonObject { { u"deviceId"_s, QUuid::createUuid().toString(QUuid::WithoutBraces) },
                                     { u"usageDate"_s, u"2026-12-06"_s },
                                     { u"todayUsageSeconds"_s, 1200 } };
    const auto health = QJsonObject { { u"reported"_s, true },        { u"platform"_s, u"mac"_s },
                                      { u"notificationsOk"_s, true }, { u"usageAccessOk"_s, true },
                                      { u"overlayOk"_s, true },       { u"deviceAdminOk"_s, true } };
    using Method = QHttpServerRequest::Method;
    server.route(u"/api/v1/devices/<arg>/policy"_s, Method::Get,
                 [policy](const QString&) { return QHttpServerResponse(policy); });
    server.route(u"/api/v1/devices/<arg>/usage/today"_s, Method::Put,
                 [usage](const QString&) { return QHttpServerResponse(usage); });
    server.route(u"/api/v1/devices/<arg>/usage/sessions"_s, Method::Post, [](const QString&) {
        return QHttpServerResponse(QJsonObject { { u"upserted"_s, 4 } });
    });
    server.route(u"/api/v1/devices/<arg>/health"_s, Method::Put,
                 [health](const QString&) { return QHttpServerResponse(health); });
    const auto port = server.listen(QHostAddress::LocalHost, 0);
    if (port == 0) {
        return 1;
    }
    std::printf("ceiling server listening on 127.0.0.1:%u\n", unsigned(port));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

std::optional<Outcome> runCeiling(const Settings& settings)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QCoreApplication::applicationFilePath(), { u"--ceiling-server"_s });
    static const QRegularExpression listening(u"listening on 127.0.0.1:(\\d+)"_s);
    QByteArray output;
    quint16 port = 0;
    while (port == 0 && process.waitForReadyRead(10000)) {
        output += process.readAllStandardOutput();
        if (const auto match = listening.match(QString::fromUtf8(output)); match.hasMatch()) {
            port = quint16(match.captured(1).toUInt());
        }
    }
    if (port == 0) {
        std::printf("%-10s not run: the canned server did not start\n", "ceiling");
        return std::nullopt;
    }
    QList<Child> children;
    for (int i = 0; i < settings.children; ++i) {
        // A token of the real ones' length, so that both sides parse the same bytes.
        children.append({ QUuid::createUuid().toString(QUuid::WithoutBraces).toUtf8(),
                          "Authorization: Bearer " + QByteArray(43, 'x') + "\r\n" });
    }
    auto outcome = measure("ceiling", port, process.processId(), children, 0, settings);
    process.kill();
    process.waitForFinished(5000);
    return outcome;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (app.arguments().contains(u"--ceiling-server"_s)) {
        return serveCeiling();
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(u"Drives the children's request mix against vantorel-server."_s);
    parser.addHelpOption();
    const QCommandLineOption children(u"children"_s, u"Children registered before the run."_s, u"n"_s,
                                      u"2000"_s);
    const QCommandLineOption connections(u"connections"_s, u"Concurrent keep-alive connections."_s, u"n"_s,
                                         u"16"_s);
    const QCommandLineOption requests(u"requests"_s, u"Most requests per database."_s, u"n"_s, u"40000"_s);
    const QCommandLineOption seconds(u"seconds"_s, u"Most seconds per database."_s, u"s"_s, u"30"_s);
    const QCommandLineOption soak(u"soak"_s,
                                  u"Soak run: 20000 children (unless --children), 600 s (unless --seconds), "
                                  "no request limit, a report line per --report-seconds."_s);
    const QCommandLineOption reportSeconds(u"report-seconds"_s, u"Seconds between soak report lines."_s,
                                           u"s"_s, u"60"_s);
    const QCommandLineOption databaseThreads(
        u"database-threads"_s, u"The server's database threads (default: the server's)."_s, u"n"_s);
    const QCommandLineOption stageTimings(
        u"stage-timings"_s,
        u"After each database, print where requests spent their time inside the server."_s);
    parser.addOptions(
        { children, connections, requests, seconds, soak, reportSeconds, databaseThreads, stageTimings });
    parser.process(app);

    Settings settings;
    settings.soak = parser.isSet(soak);
    const auto given = [&](const QCommandLineOption& option, const QString& soakDefault) {
        return settings.soak && !parser.isSet(option) ? soakDefault : parser.value(option);
    };
    settings.children = std::clamp(given(children, u"20000"_s).toInt(), 1, 20000);
    settings.connections = std::clamp(parser.value(connections).toInt(), 1, 256);
    settings.requests
        = std::clamp(given(requests, u"100000000"_s).toLongLong(), qint64(1), qint64(100000000));
    settings.seconds = std::clamp(given(seconds, u"600"_s).toInt(), 1, 3600);
    settings.reportSeconds = std::clamp(parser.value(reportSeconds).toInt(), 1, 3600);
    settings.databaseThreads = parser.value(databaseThreads);
    settings.stageTimings = parser.isSet(stageTimings);

    if (!qEnvironmentVariableIsSet("VANTOREL_SERVER_BINARY")) {
        const auto beside = QCoreApplication::applicationDirPath() + u"/../server/vantorel-server"_s;
        qputenv("VANTOREL_SERVER_BINARY", beside.toUtf8());
    }
    // The machine's speed drifts within a run; each database is compared with the ceiling
    // measured just before and just after it.
    std::vector<Outcome> ceilings;
    const auto measureCeiling = [&] {
        if (!settings.soak) {
            if (const auto ceiling = runCeiling(settings)) {
                ceilings.push_back(*ceiling);
            }
        }
    };
    std::vector<std::pair<Outcome, double>> compared;
    const auto runBracketed = [&](const char* label, LoopbackFamilyServer::Database database) {
        if (ceilings.empty()) {
            measureCeiling();
        }
        const auto outcome = run(label, database, settings);
        measureCeiling();
        if (outcome && ceilings.size() >= 2) {
            compared.emplace_back(*outcome, (ceilings[ceilings.size() - 2].rate + ceilings.back().rate) / 2);
        }
    };
    runBracketed("sqlite", LoopbackFamilyServer::Database::Sqlite);
    if (const auto why = LoopbackFamilyServer::postgresUnavailable()) {
        std::printf("postgres   not run: %s\n", qPrintable(*why));
    } else {
        runBracketed("postgres", LoopbackFamilyServer::Database::Postgres);
    }
    if (!compared.empty()) {
        std::printf("\n%-10s %9s %9s %9s %11s %11s %9s\n", "target", "req/s", "p50 ms", "p99 ms",
                    "server CPU", "ceiling", "/ceiling");
        const auto row = [](const Outcome& outcome, const QString& ceiling, const QString& ratio) {
            std::printf("%-10s %9.0f %9.2f %9.2f %4.0f µs/req %11s %9s\n", qPrintable(outcome.label),
                        outcome.rate, outcome.p50, outcome.p99, outcome.cpuMicroseconds, qPrintable(ceiling),
                        qPrintable(ratio));
        };
        for (const auto& [outcome, ceiling] : compared) {
            row(outcome, QString::number(ceiling, 'f', 0), QString::number(outcome.rate / ceiling, 'f', 2));
        }
        for (const auto& ceiling : ceilings) {
            row(ceiling, {}, {});
        }
    }
    return 0;
}
