#pragma once

#include "FamilyCodeThrottle.h"
#include "Protocol/PublicDisplayInfoRecords.h"

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>
#include <QVariant>

#include <memory>
#include <optional>

class FamilyServer;

// A real family server for integration tests: on a free loopback port, with a fresh database
// (a new SQLite file, or a new database in the PostgreSQL cluster named by
// VANTOREL_TEST_POSTGRES_URL), either inside the test process or as the VANTOREL_SERVER_BINARY
// process. The database is removed when the object goes.
class LoopbackFamilyServer final
{
public:
    enum class Database
    {
        Sqlite,
        Postgres
    };
    enum class Mode
    {
        // The FamilyServer runs on the test's own event loop.
        InProcess,
        // The vantorel-server executable runs as a child process.
        Process
    };
    struct Setup
    {
        Database database = Database::Sqlite;
        Mode mode = Mode::InProcess;
        int unlockRequestsPerHour = 5;
        QTimeZone timeZone = QTimeZone::utc();
        PublicAppDisplayInfo displayInfo;
        // In-process mode: how guessed family codes are throttled, when not the server's default.
        std::optional<FamilyCodeThrottle::Settings> guessing;
        // Serve an existing database (another instance's `databaseUrl()`) instead of a fresh one.
        QString sharedDatabaseUrl;
        // Process mode: the server's request log (one line per request) is appended to this file.
        QString requestLogFile;
        // Process mode: more command-line options, and an open-file limit (soft and hard) to run under.
        QStringList extraArguments;
        int fileLimit = 0;
    };

    explicit LoopbackFamilyServer(Setup setup);
    LoopbackFamilyServer();
    ~LoopbackFamilyServer();
    Q_DISABLE_COPY_MOVE(LoopbackFamilyServer)

    // Creates the database and starts the server; false with `errorString()` when it cannot.
    bool start();
    // Ends the server (the database stays until the object goes): the family's computers then
    // find it unreachable.
    void stop();
    QString errorString() const { return m_error; }

    quint16 port() const { return m_port; }
    // Process mode: the port of each --listen address, in order.
    QList<quint16> ports() const { return m_ports; }
    // The server process's id in Mode::Process, else 0.
    qint64 processId() const { return m_process ? m_process->processId() : 0; }
    // "http://127.0.0.1:PORT", the base address to give a client.
    QString baseUrl() const;
    // "sqlite:PATH" or "postgres://…": hand it to a second server to share this one's data.
    QString databaseUrl() const { return m_databaseUrl; }

    // One raw HTTP exchange with the server, waited for on a local event loop (at most 30 s):
    // for tests that send what the real client never would. `path` starts after the host
    // ("/api/v1/families"); a body is sent as application/json.
    struct Response
    {
        int status = 0;
        QByteArray body;
        QJsonObject json() const;
    };
    // `headers` are added as given ("Authorization", "Accept-Language", …).
    Response call(const QByteArray& method, const QString& path, const QByteArray& body = {},
                  const QList<std::pair<QByteArray, QByteArray>>& headers = {}) const;

    // The first column of the first row of a SELECT on the server's database, read through a
    // connection of its own (so also for a server process): for checking what was stored.
    QVariant queryValue(const QString& sql, const QVariantList& values = {}) const;

    // Why PostgreSQL tests cannot run here, or nothing when VANTOREL_TEST_POSTGRES_URL names a
    // reachable cluster.
    static std::optional<QString> postgresUnavailable();

private:
    bool createPostgresDatabase();
    void dropPostgresDatabase();
    bool startProcess();

    Setup m_setup;
    QTemporaryDir m_dir;
    QString m_databaseUrl;
    QString m_createdPostgresDatabase;
    std::unique_ptr<FamilyServer> m_server;
    std::unique_ptr<QProcess> m_process;
    quint16 m_port = 0;
    QList<quint16> m_ports;
    QString m_error;
};

Q_DECLARE_METATYPE(LoopbackFamilyServer::Database)

// For a test class run once on SQLite and once on PostgreSQL: its initTestCase_data() calls
// addDatabaseRows(), and its init() starts with VANTOREL_FETCH_DATABASE(name), which declares `name`
// and skips the row when PostgreSQL is not available, or fails it when the CI variable is set,
// where a missing cluster means the test command is broken rather than the machine bare.
void addDatabaseRows();
#define VANTOREL_FETCH_DATABASE(name)                                                                        \
    QFETCH_GLOBAL(LoopbackFamilyServer::Database, name);                                                     \
    if (const auto why = name == LoopbackFamilyServer::Database::Postgres                                    \
            ? LoopbackFamilyServer::postgresUnavailable()                                                    \
            : std::nullopt) {                                                                                \
        if (qEnvironmentVariableIsSet("CI")) {                                                               \
            QFAIL(qPrintable(QStringLiteral("PostgreSQL required in CI: ") + *why));                         \
        }                                                                                                    \
        QSKIP(qPrintable(QStringLiteral("PostgreSQL not available, test not run: ") + *why));                \
    }
