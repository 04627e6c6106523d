#pragma once

#include "DatabaseLocation.h"

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <functional>
#include <stdexcept>
#include <utility>

class ReportBatch;

// A failed statement: the server answers 500 and logs the driver's text, never the bound values.
class DatabaseError final : public std::runtime_error
{
public:
    explicit DatabaseError(const QString& text)
        : std::runtime_error(text.toStdString())
    {
    }
};

// One connection to the server's database, its schema and its transactions. The schema is the
// same text for SQLite and PostgreSQL (ANSI types, ON CONFLICT upserts), so the server runs on
// either and on PostgreSQL-compatible engines. Prepared statements are kept per connection; no
// data is.
class ServerDatabase final
{
public:
    explicit ServerDatabase(DatabaseLocation location);
    ~ServerDatabase();
    Q_DISABLE_COPY_MOVE(ServerDatabase)

    // Connects and creates or migrates the schema; on failure says why in `error`.
    bool open(QString* error);
    bool isPostgres() const { return m_location.kind == DatabaseLocation::Kind::Postgres; }
    int schemaVersion();
    static int currentSchemaVersion();

    // Runs one statement with positional bound values; throws DatabaseError.
    QSqlQuery& exec(const QString& sql, const QVariantList& values = {});

    // Runs one statement that takes no values and returns no rows (schema changes), unprepared.
    void execDirect(const QString& sql);
    // Ends every statement's cursor. Called after each request: an SQLite statement left open
    // keeps its old snapshot, and the next request would not see another instance's writes.
    void finishStatements();
    // Copies committed pages from the SQLite write-ahead log into the database file, as far as
    // readers allow, without waiting for any of them; nothing on PostgreSQL.
    void checkpoint();

    // Runs several requests' writes in one transaction taken with the write lock, so that SQLite
    // commits them together; true when committed. Should the transaction not begin, `work` runs
    // all the same, each statement committing on its own.
    bool batch(const std::function<void()>& work);

    // Runs `work` inside one transaction: committed when it returns, rolled back when it throws.
    // Inside another (a batch), it is a savepoint of that one.
    template <typename Work> auto transaction(Work&& work)
    {
        begin();
        try {
            if constexpr (std::is_void_v<decltype(work())>) {
                work();
                commit();
            } else {
                auto result = work();
                commit();
                return result;
            }
        } catch (...) {
            rollback();
            throw;
        }
    }

    // What a child re-sends on every cycle (usage, sessions, health) is a report: on PostgreSQL
    // its commit does not wait for the disk (synchronous_commit off), so a database crash may
    // lose the last fraction of a second of reports, which the next cycle brings again, but never
    // corrupts anything. Parents' changes keep fully durable commits. A report of one statement
    // commits on its own, without BEGIN and COMMIT round trips; inside a transaction of other
    // writes it is one of them.
    QSqlQuery& report(const QString& sql, const QVariantList& values);
    // A report of several statements, in one transaction.
    template <typename Work> void reportTransaction(Work&& work)
    {
        const ReportScope scope(*this);
        transaction(std::forward<Work>(work));
    }

    // While a batch is set, the repositories add their reports to it instead of writing them,
    // and the pool writes them once the batch's requests have run. Any other write, and any
    // transaction, first writes what was gathered, so that statements keep the requests' order.
    void setReportBatch(ReportBatch* batch) { m_reportBatch = batch; }
    ReportBatch* reportBatch() const { return m_reportBatch; }

private:
    // On PostgreSQL the session's synchronous_commit is switched only when the kind of write
    // changes, so that a run of reports or of durable writes costs no extra round trip.
    enum class CommitMode
    {
        Durable,
        Relaxed
    };
    class ReportScope
    {
    public:
        explicit ReportScope(ServerDatabase& database);
        ~ReportScope();
        Q_DISABLE_COPY_MOVE(ReportScope)

    private:
        ServerDatabase& m_database;
        bool m_wasReporting;
    };
    void setCommitMode(CommitMode mode);
    void writeGatheredReports(const QString& sql);

    void begin();
    void commit();
    void rollback();
    bool connect(QString* error);
    void migrate();
    bool reconnectAfterFailure();

    DatabaseLocation m_location;
    QString m_connectionName;
    QSqlDatabase m_db;
    QHash<QString, QSqlQuery> m_statements;
    // Transactions open: above 1, the inner ones are savepoints.
    int m_depth = 0;
    bool m_reporting = false;
    ReportBatch* m_reportBatch = nullptr;
    CommitMode m_commitMode = CommitMode::Durable;
    // What a rollback restores: a SET inside a transaction is undone with it.
    CommitMode m_commitModeAtBegin = CommitMode::Durable;
};
