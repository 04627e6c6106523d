#include "ServerDatabase.h"

#include "ReportBatch.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QUuid>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// Each step brings the schema from its index to the next version. Steps are only ever appended.
const QList<QStringList>& migrations()
{
    static const QList<QStringList> steps {
        {
            u"CREATE TABLE families (id VARCHAR(36) PRIMARY KEY, code VARCHAR(6) NOT NULL UNIQUE, "
            "created_at BIGINT NOT NULL)"_s,
            u"CREATE TABLE devices (id VARCHAR(36) PRIMARY KEY, family_id VARCHAR(36) NOT NULL "
            "REFERENCES families(id), name TEXT NOT NULL, role VARCHAR(16) NOT NULL, "
            "position BIGINT NOT NULL, created_at BIGINT NOT NULL, updated_at BIGINT NOT NULL)"_s,
            u"CREATE INDEX devices_by_family ON devices (family_id, position)"_s,
            u"CREATE TABLE device_policies (device_id VARCHAR(36) PRIMARY KEY REFERENCES devices(id), "
            "daily_limit_minutes BIGINT NOT NULL, blocked_start_hour BIGINT NOT NULL, "
            "blocked_start_minute BIGINT NOT NULL, blocked_end_hour BIGINT NOT NULL, "
            "blocked_end_minute BIGINT NOT NULL, force_locked INTEGER, unlock_until VARCHAR(64), "
            "selection TEXT NOT NULL, updated_at BIGINT NOT NULL)"_s,
            u"CREATE TABLE usage_days (device_id VARCHAR(36) NOT NULL REFERENCES devices(id), "
            "usage_date VARCHAR(10) NOT NULL, today_usage_seconds BIGINT NOT NULL, sampled_at VARCHAR(64), "
            "updated_at BIGINT NOT NULL, PRIMARY KEY (device_id, usage_date))"_s,
            u"CREATE TABLE usage_sessions (device_id VARCHAR(36) NOT NULL REFERENCES devices(id), "
            "start_at VARCHAR(64) NOT NULL, end_at VARCHAR(64) NOT NULL, app_bundle_id TEXT NOT NULL, "
            "duration_seconds BIGINT NOT NULL, usage_date VARCHAR(10) NOT NULL, source VARCHAR(32) NOT NULL, "
            "updated_at BIGINT NOT NULL, PRIMARY KEY (device_id, start_at))"_s,
            u"CREATE TABLE device_health (device_id VARCHAR(36) PRIMARY KEY REFERENCES devices(id), "
            "notifications_ok INTEGER NOT NULL, usage_access_ok INTEGER NOT NULL, overlay_ok INTEGER NOT "
            "NULL, "
            "device_admin_ok INTEGER NOT NULL, platform TEXT NOT NULL, app_version TEXT, os_version TEXT, "
            "family_controls_ok INTEGER, managed_selection_ok INTEGER, updated_at BIGINT NOT NULL)"_s,
            u"CREATE TABLE unlock_requests (id VARCHAR(36) PRIMARY KEY, family_id VARCHAR(36) NOT NULL "
            "REFERENCES families(id), child_device_id VARCHAR(36) NOT NULL REFERENCES devices(id), "
            "requested_minutes BIGINT, reason TEXT, status VARCHAR(16) NOT NULL, decided_by TEXT, "
            "decided_at BIGINT, created_at BIGINT NOT NULL, updated_at BIGINT NOT NULL)"_s,
            u"CREATE INDEX unlock_requests_by_family ON unlock_requests (family_id, status, created_at)"_s,
            u"CREATE INDEX unlock_requests_by_child ON unlock_requests (child_device_id, created_at)"_s,
            u"CREATE TABLE feedbacks (id VARCHAR(36) PRIMARY KEY, platform TEXT NOT NULL, category TEXT NOT "
            u"NULL, "
            "content TEXT NOT NULL, app_version TEXT NOT NULL, os_version TEXT NOT NULL, device_id TEXT, "
            "family_code TEXT, contact TEXT, created_at BIGINT NOT NULL)"_s,
        },
        {
            // Device tokens (hashes only), the instant a family became secured, and the one-time
            // invitations by which a secured family admits another parent computer.
            u"ALTER TABLE devices ADD COLUMN token_hash VARCHAR(64)"_s,
            u"CREATE UNIQUE INDEX devices_by_token ON devices (token_hash)"_s,
            u"ALTER TABLE families ADD COLUMN secured_at BIGINT"_s,
            u"CREATE TABLE parent_invitations (code_hash VARCHAR(64) PRIMARY KEY, family_id VARCHAR(36) "
            "NOT NULL REFERENCES families(id), expires_at BIGINT NOT NULL, created_at BIGINT NOT NULL)"_s,
        },
        // What a child's guard against being quit is: running, stopped, not installed, or not
        // possible on that computer.
        { u"ALTER TABLE device_health ADD COLUMN guard_state TEXT"_s },
        {
            // A child reports that its settings file disagreed with the server's word.
            u"ALTER TABLE device_health ADD COLUMN settings_changed INTEGER"_s,
        },
        // How the rules hold on a child computer: X11, the GNOME extension, or processes only.
        { u"ALTER TABLE device_health ADD COLUMN enforcement_mode TEXT"_s },
    };
    return steps;
}

// About 16 MiB of log: several of the checkpointer's periods at full load.
constexpr int walPagesBeforeRequestCheckpoints = 4000;

bool isRead(const QString& sql)
{
    return sql.startsWith(u"SELECT"_s);
}

QString describe(const QSqlError& error)
{
    return error.text().isEmpty() ? u"unknown database error"_s : error.text();
}

} // namespace

ServerDatabase::ServerDatabase(DatabaseLocation location)
    : m_location(std::move(location))
    , m_connectionName(u"vantorel-server-"_s + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
}

ServerDatabase::~ServerDatabase()
{
    m_statements.clear();
    if (m_db.isValid()) {
        m_db.close();
    }
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

int ServerDatabase::currentSchemaVersion()
{
    return int(migrations().size());
}

bool ServerDatabase::connect(QString* error)
{
    m_statements.clear();
    m_commitMode = CommitMode::Durable;
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connectionName);
    }
    if (m_location.kind == DatabaseLocation::Kind::Sqlite) {
        const QFileInfo file(m_location.sqlitePath);
        if (!QDir().mkpath(file.absolutePath())) {
            *error = u"cannot create the folder %1"_s.arg(file.absolutePath());
            return false;
        }
        m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connectionName);
        m_db.setDatabaseName(m_location.sqlitePath);
        // Two server processes may share one file: wait for the other's write instead of failing.
        m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=5000"_s);
    } else {
        if (!QSqlDatabase::isDriverAvailable(u"QPSQL"_s)) {
            *error = u"the Qt PostgreSQL driver (QPSQL) is not installed"_s;
            return false;
        }
        m_db = QSqlDatabase::addDatabase(u"QPSQL"_s, m_connectionName);
        m_db.setHostName(m_location.host);
        m_db.setPort(m_location.port);
        m_db.setUserName(m_location.user);
        m_db.setPassword(m_location.password);
        m_db.setDatabaseName(m_location.databaseName);
        m_db.setConnectOptions(u"connect_timeout=10"_s);
    }
    if (!m_db.open()) {
        *error = u"cannot open %1: %2"_s.arg(m_location.redacted(), describe(m_db.lastError()));
        return false;
    }
    QSqlQuery pragma(m_db);
    if (m_location.kind == DatabaseLocation::Kind::Sqlite) {
        // WAL lets readers run beside the writer; NORMAL is durable across a process crash, which
        // is what a family server needs (a power cut may lose the last report, never corrupt).
        pragma.exec(u"PRAGMA journal_mode=WAL"_s);
        pragma.exec(u"PRAGMA synchronous=NORMAL"_s);
        pragma.exec(u"PRAGMA foreign_keys=ON"_s);
        // Pages read through a mapping instead of a read() each: every commit of another
        // connection empties this one's page cache.
        pragma.exec(u"PRAGMA mmap_size=268435456"_s);
        // The server's checkpointer thread copies the log into the file in the background; a
        // request that commits checkpoints (and waits for the disk) only should that thread
        // fall far behind.
        pragma.exec(u"PRAGMA wal_autocheckpoint=%1"_s.arg(walPagesBeforeRequestCheckpoints));
    } else {
        pragma.exec(u"SET client_min_messages TO WARNING"_s);
        // Every statement is prepared once per connection and its values are keys, so one plan
        // serves all: planning the batched reports anew for each batch cost PostgreSQL more than
        // running them.
        pragma.exec(u"SET plan_cache_mode TO force_generic_plan"_s);
    }
    return true;
}

bool ServerDatabase::open(QString* error)
{
    if (!connect(error)) {
        return false;
    }
    try {
        migrate();
        finishStatements();
    } catch (const DatabaseError& failure) {
        *error = u"cannot prepare the schema of %1: %2"_s.arg(m_location.redacted(),
                                                              QString::fromUtf8(failure.what()));
        return false;
    }
    return true;
}

int ServerDatabase::schemaVersion()
{
    auto& query = exec(u"SELECT MAX(version) FROM schema_version"_s);
    return query.next() ? query.value(0).toInt() : 0;
}

void ServerDatabase::migrate()
{
    execDirect(u"CREATE TABLE IF NOT EXISTS schema_version (version INTEGER PRIMARY KEY)"_s);
    const auto& steps = migrations();
    for (;;) {
        const auto version = schemaVersion();
        if (version >= int(steps.size())) {
            return;
        }
        try {
            transaction([&] {
                // Another instance may be migrating the same database: only the first to insert
                // the next version's row does the work; the other's insert fails and it rereads.
                exec(u"INSERT INTO schema_version (version) VALUES (?)"_s, { version + 1 });
                for (const auto& statement : steps.at(version)) {
                    execDirect(statement);
                }
            });
        } catch (const DatabaseError&) {
            if (schemaVersion() <= version) {
                throw;
            }
        }
    }
}

QSqlQuery& ServerDatabase::exec(const QString& sql, const QVariantList& values)
{
    writeGatheredReports(sql);
    if (!m_reporting && !isRead(sql)) {
        setCommitMode(CommitMode::Durable);
    }
    for (int attempt = 0;; ++attempt) {
        auto found = m_statements.find(sql);
        if (found == m_statements.end()) {
            QSqlQuery query(m_db);
            query.setForwardOnly(true);
            if (!query.prepare(sql)) {
                const auto text = describe(query.lastError());
                if (attempt == 0 && reconnectAfterFailure()) {
                    continue;
                }
                throw DatabaseError(text);
            }
            found = m_statements.insert(sql, query);
        }
        auto& query = found.value();
        for (int i = 0; i < values.size(); ++i) {
            query.bindValue(i, values.at(i));
        }
        if (query.exec()) {
            return query;
        }
        const auto text = describe(query.lastError());
        m_statements.erase(found);
        if (attempt == 0 && reconnectAfterFailure()) {
            continue;
        }
        throw DatabaseError(text);
    }
}

QSqlQuery& ServerDatabase::report(const QString& sql, const QVariantList& values)
{
    const ReportScope scope(*this);
    return exec(sql, values);
}

ServerDatabase::ReportScope::ReportScope(ServerDatabase& database)
    : m_database(database)
    , m_wasReporting(database.m_reporting)
{
    // Inside a transaction of durable writes a report is one of them, and commits with them.
    if (m_database.m_depth > 0 && !m_wasReporting) {
        return;
    }
    m_database.setCommitMode(CommitMode::Relaxed);
    m_database.m_reporting = true;
}

ServerDatabase::ReportScope::~ReportScope()
{
    m_database.m_reporting = m_wasReporting;
}

void ServerDatabase::setCommitMode(CommitMode mode)
{
    if (!isPostgres() || m_commitMode == mode) {
        return;
    }
    const auto sql = mode == CommitMode::Relaxed ? u"SET synchronous_commit TO OFF"_s
                                                 : u"SET synchronous_commit TO DEFAULT"_s;
    const auto run = [&]() -> QString {
        QSqlQuery query(m_db);
        return query.exec(sql) ? QString() : describe(query.lastError());
    };
    if (const auto failure = run(); !failure.isEmpty()) {
        if (!reconnectAfterFailure()) {
            throw DatabaseError(failure);
        }
        // The new session starts with the cluster's durable default.
        if (mode == CommitMode::Durable) {
            return;
        }
        if (const auto again = run(); !again.isEmpty()) {
            throw DatabaseError(again);
        }
    }
    m_commitMode = mode;
}

void ServerDatabase::writeGatheredReports(const QString& sql)
{
    if (!m_reportBatch || m_reportBatch->isEmpty() || isRead(sql)) {
        return;
    }
    auto* const batch = std::exchange(m_reportBatch, nullptr);
    batch->write(*this);
    m_reportBatch = batch;
}

void ServerDatabase::checkpoint()
{
    if (!isPostgres()) {
        execDirect(u"PRAGMA wal_checkpoint(PASSIVE)"_s);
    }
}

void ServerDatabase::execDirect(const QString& sql)
{
    writeGatheredReports(sql);
    if (!m_reporting && !isRead(sql)) {
        setCommitMode(CommitMode::Durable);
    }
    QSqlQuery query(m_db);
    if (!query.exec(sql)) {
        throw DatabaseError(describe(query.lastError()));
    }
}

void ServerDatabase::finishStatements()
{
    for (auto& query : m_statements) {
        query.finish();
    }
}

bool ServerDatabase::reconnectAfterFailure()
{
    // A dropped PostgreSQL connection is reopened once, but never inside a transaction: the
    // statements already run there are gone with the old connection.
    if (m_depth > 0 || m_location.kind != DatabaseLocation::Kind::Postgres) {
        return false;
    }
    if (QSqlQuery probe(m_db); probe.exec(u"SELECT 1"_s)) {
        return false;
    }
    QString ignored;
    return connect(&ignored);
}

bool ServerDatabase::batch(const std::function<void()>& work)
{
    try {
        execDirect(u"BEGIN IMMEDIATE"_s);
    } catch (const DatabaseError& error) {
        std::fprintf(stderr, "database error: %s\n", error.what());
        work();
        return true;
    }
    m_depth = 1;
    try {
        work();
    } catch (...) {
        rollback();
        return false;
    }
    m_depth = 0;
    finishStatements();
    QSqlQuery end(m_db);
    if (end.exec(u"COMMIT"_s)) {
        return true;
    }
    std::fprintf(stderr, "database error: %s\n", qPrintable(describe(end.lastError())));
    end.finish();
    m_db.rollback();
    return false;
}

void ServerDatabase::begin()
{
    writeGatheredReports({});
    if (m_depth > 0) {
        execDirect(u"SAVEPOINT nested%1"_s.arg(m_depth));
        ++m_depth;
        return;
    }
    if (!m_db.transaction()) {
        QString ignored;
        if (m_location.kind != DatabaseLocation::Kind::Postgres || !connect(&ignored)
            || !m_db.transaction()) {
            throw DatabaseError(describe(m_db.lastError()));
        }
    }
    m_depth = 1;
    m_commitModeAtBegin = m_commitMode;
}

void ServerDatabase::commit()
{
    if (m_depth > 1) {
        execDirect(u"RELEASE SAVEPOINT nested%1"_s.arg(m_depth - 1));
        --m_depth;
        return;
    }
    m_depth = 0;
    // Finished SELECTs keep their cursors; release them so that SQLite can commit.
    finishStatements();
    if (!m_db.commit()) {
        const auto text = describe(m_db.lastError());
        m_db.rollback();
        m_commitMode = m_commitModeAtBegin;
        throw DatabaseError(text);
    }
}

void ServerDatabase::rollback()
{
    if (m_depth > 1) {
        --m_depth;
        // Should this fail too, the batch's own commit reports the failure.
        QSqlQuery undo(m_db);
        undo.exec(u"ROLLBACK TO SAVEPOINT nested%1"_s.arg(m_depth));
        undo.exec(u"RELEASE SAVEPOINT nested%1"_s.arg(m_depth));
        return;
    }
    m_depth = 0;
    finishStatements();
    m_db.rollback();
    m_commitMode = m_commitModeAtBegin;
}
