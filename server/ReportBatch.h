#pragma once

#include <QString>
#include <QVariantList>

#include <vector>

class ServerDatabase;

// The child reports (usage, sessions, health) of requests that arrived together, gathered so
// that all of them cost one statement and one round trip instead of one each. A kind's statement
// takes one array per column, the device's identifier first, keeps the rows of existing devices (a
// lookup per row, so that one plan serves batches of any size), writes its rows in the order of its
// conflict target and returns the device of every row it wrote, which tells each request whether
// its device exists; the kinds are parts of one WITH statement. Of rows with one key the last is
// written, as had they been written one after another.
class ReportBatch final
{
public:
    enum class Outcome
    {
        Written,
        DeviceNotFound,
        Failed
    };

    explicit ReportBatch(int requests);
    Q_DISABLE_COPY_MOVE(ReportBatch)

    // The request whose reports are added from now on.
    void startRequest(int request);
    bool isEmpty() const { return m_kinds.empty(); }
    // `columns` in the order of the statement's arrays after the device's identifier; `key` is
    // what, besides the device, the statement's conflict target names.
    void add(const QString& sql, const QString& key, const QString& deviceId, const QVariantList& columns);
    // Writes what was added; a request whose statement fails is then retried alone, so that one
    // faulty row fails only its own request.
    void write(ServerDatabase& database);
    Outcome outcome(int request) const { return m_outcomes.at(size_t(request)); }

    // A PostgreSQL array literal of `values` (NULL for a null value), each element quoted.
    static QString arrayLiteral(const QVariantList& values);

private:
    struct Row
    {
        int request = 0;
        QString key;
        QString deviceId;
        QVariantList columns;
    };
    struct Kind
    {
        QString sql;
        std::vector<Row> rows;
    };

    // The statement's arrays: the devices' identifiers, then each column's values.
    static QVariantList arraysOf(const std::vector<const Row*>& rows);
    // Every kind's statement as a part of one; false when it failed.
    bool writeEveryKind(ServerDatabase& database);
    // The devices the statement wrote rows for; throws DatabaseError.
    static QStringList run(ServerDatabase& database, const QString& sql, const std::vector<const Row*>& rows);
    static std::vector<const Row*> lastOfEachKey(const std::vector<const Row*>& rows);
    void settle(const std::vector<const Row*>& rows, const QStringList& written);

    int m_request = 0;
    std::vector<Kind> m_kinds;
    std::vector<Outcome> m_outcomes;
};
