#include "LoopbackFamilyServer.h"

#include "DatabaseLocation.h"
#include "FamilyServer.h"
#include "ServerDatabase.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {

const char* const postgresVariable = "VANTOREL_TEST_POSTGRES_URL";

// Runs one administrative statement on the cluster's maintenance database.
bool runOnCluster(const QString& statement, QString* error)
{
    const auto location = DatabaseLocation::parse(qEnvironmentVariable(postgresVariable), error);
    if (!location) {
        return false;
    }
    const auto name = u"vantorel-test-admin-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool ok = false;
    {
        auto db = QSqlDatabase::addDatabase(u"QPSQL"_s, name);
        db.setHostName(location->host);
        db.setPort(location->port);
        db.setUserName(location->user);
        db.setPassword(location->password);
        db.setDatabaseName(location->databaseName);
        if (!db.open()) {
            *error = db.lastError().text();
        } else {
            QSqlQuery query(db);
            ok = query.exec(statement);
            if (!ok) {
                *error = query.lastError().text();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

} // namespace

LoopbackFamilyServer::LoopbackFamilyServer(Setup setup)
    : m_setup(std::move(setup))
{
}

LoopbackFamilyServer::LoopbackFamilyServer()
    : LoopbackFamilyServer(Setup {})
{
}

LoopbackFamilyServer::~LoopbackFamilyServer()
{
    stop();
    dropPostgresDatabase();
}

void LoopbackFamilyServer::stop()
{
    if (m_process) {
        m_process->terminate();
        if (!m_process->waitForFinished(5000)) {
            m_process->kill();
            m_process->waitForFinished(5000);
        }
        m_process.reset();
    }
    m_server.reset();
}

std::optional<QString> LoopbackFamilyServer::postgresUnavailable()
{
    if (!qEnvironmentVariableIsSet(postgresVariable)) {
        return u"VANTOREL_TEST_POSTGRES_URL is not set (scripts/test.sh starts a throwaway cluster and sets it)"_s;
    }
    if (!QSqlDatabase::isDriverAvailable(u"QPSQL"_s)) {
        return u"the Qt PostgreSQL driver is not installed (libqt6sql6-psql)"_s;
    }
    QString error;
    if (!runOnCluster(u"SELECT 1"_s, &error)) {
        return u"cannot reach the cluster of VANTOREL_TEST_POSTGRES_URL: "_s + error;
    }
    return std::nullopt;
}

bool LoopbackFamilyServer::createPostgresDatabase()
{
    if (const auto why = postgresUnavailable()) {
        m_error = *why;
        return false;
    }
    const auto name = u"vantorel_test_"_s + QUuid::createUuid().toString(QUuid::Id128);
    if (!runOnCluster(u"CREATE DATABASE %1"_s.arg(name), &m_error)) {
        return false;
    }
    m_createdPostgresDatabase = name;
    auto url = qEnvironmentVariable(postgresVariable);
    url.replace(QRegularExpression(u"/[^/?]*(\\?.*)?$"_s), u"/"_s + name);
    m_databaseUrl = url;
    return true;
}

void LoopbackFamilyServer::dropPostgresDatabase()
{
    if (m_createdPostgresDatabase.isEmpty()) {
        return;
    }
    QString ignored;
    runOnCluster(u"DROP DATABASE IF EXISTS %1 WITH (FORCE)"_s.arg(m_createdPostgresDatabase), &ignored);
    m_createdPostgresDatabase.clear();
}

QString LoopbackFamilyServer::baseUrl() const
{
    return u"http://127.0.0.1:%1"_s.arg(m_port);
}

bool LoopbackFamilyServer::start()
{
    if (!m_setup.sharedDatabaseUrl.isEmpty()) {
        m_databaseUrl = m_setup.sharedDatabaseUrl;
    } else if (m_setup.database == Database::Postgres) {
        if (!createPostgresDatabase()) {
            return false;
        }
    } else {
        if (!m_dir.isValid()) {
            m_error = u"cannot create a temporary folder"_s;
            return false;
        }
        m_databaseUrl = u"sqlite:"_s + m_dir.filePath(u"server.sqlite3"_s);
    }
    if (m_setup.mode == Mode::Process) {
        return startProcess();
    }
    ServerOptions options;
    options.address = QHostAddress::LocalHost;
    options.port = 0;
    options.database = *DatabaseLocation::parse(m_databaseUrl);
    options.timeZone = m_setup.timeZone;
    options.unlockRequestsPerHour = m_setup.unlockRequestsPerHour;
    options.displayInfo = m_setup.displayInfo;
    options.logRequests = false;
    if (m_setup.guessing) {
        options.guessing = *m_setup.guessing;
    }
    m_server = std::make_unique<FamilyServer>(options);
    if (!m_server->start(&m_error)) {
        return false;
    }
    m_port = m_server->port();
    return true;
}

bool LoopbackFamilyServer::startProcess()
{
    const auto binary = qEnvironmentVariable("VANTOREL_SERVER_BINARY");
    if (binary.isEmpty()) {
        m_error = u"VANTOREL_SERVER_BINARY is not set"_s;
        return false;
    }
    m_process = std::make_unique<QProcess>();
    m_process->setProcessChannelMode(QProcess::SeparateChannels);
    const bool logging = !m_setup.requestLogFile.isEmpty();
    m_process->setStandardErrorFile(logging ? m_setup.requestLogFile : QProcess::nullDevice(),
                                    QIODevice::Append);
    QStringList arguments { u"--listen"_s,
                            u"127.0.0.1:0"_s,
                            u"--database"_s,
                            m_databaseUrl,
                            u"--timezone"_s,
                            QString::fromUtf8(m_setup.timeZone.id()),
                            u"--unlock-requests-per-hour"_s,
                            QString::number(m_setup.unlockRequestsPerHour) };
    if (!logging) {
        arguments.append(u"--quiet"_s);
    }
    arguments += m_setup.extraArguments;
    if (const auto files = rlim_t(m_setup.fileLimit); files > 0) {
        m_process->setChildProcessModifier([files] {
            const rlimit limit { files, files };
            ::setrlimit(RLIMIT_NOFILE, &limit);
        });
    }
    m_process->start(binary, arguments);
    if (!m_process->waitForStarted(10000)) {
        m_error = u"cannot start %1: %2"_s.arg(binary, m_process->errorString());
        return false;
    }
    static const QRegularExpression listening(u"listening on (.+), database"_s);
    QByteArray output;
    while (m_process->waitForReadyRead(20000)) {
        output += m_process->readAllStandardOutput();
        const auto match = listening.match(QString::fromUtf8(output));
        if (match.hasMatch()) {
            for (const auto& address : match.captured(1).split(u", "_s)) {
                m_ports.append(quint16(address.section(u':', -1).toUInt()));
            }
            m_port = m_ports.value(0);
            return true;
        }
    }
    m_error = u"the server process did not report its port: %1"_s.arg(QString::fromUtf8(output));
    return false;
}

QJsonObject LoopbackFamilyServer::Response::json() const
{
    return QJsonDocument::fromJson(body).object();
}

LoopbackFamilyServer::Response
LoopbackFamilyServer::call(const QByteArray& method, const QString& path, const QByteArray& body,
                           const QList<std::pair<QByteArray, QByteArray>>& headers) const
{
    QNetworkAccessManager network;
    QNetworkRequest request(QUrl(baseUrl() + path));
    request.setTransferTimeout(30000);
    for (const auto& [name, value] : headers) {
        request.setRawHeader(name, value);
    }
    if (!body.isEmpty()) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, u"application/json"_s);
    }
    std::unique_ptr<QNetworkReply> reply(network.sendCustomRequest(request, method, body));
    QEventLoop loop;
    QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished()) {
        loop.exec();
    }
    return { reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll() };
}

QVariant LoopbackFamilyServer::queryValue(const QString& sql, const QVariantList& values) const
{
    ServerDatabase database(*DatabaseLocation::parse(m_databaseUrl));
    QString error;
    if (!database.open(&error)) {
        qWarning("queryValue: %s", qPrintable(error));
        return {};
    }
    auto& query = database.exec(sql, values);
    return query.next() ? query.value(0) : QVariant();
}

void addDatabaseRows()
{
    QTest::addColumn<LoopbackFamilyServer::Database>("database");
    QTest::newRow("sqlite") << LoopbackFamilyServer::Database::Sqlite;
    QTest::newRow("postgres") << LoopbackFamilyServer::Database::Postgres;
}
