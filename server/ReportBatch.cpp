#include "ReportBatch.h"

#include "ServerDatabase.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <map>

using namespace Qt::StringLiterals;

ReportBatch::ReportBatch(int requests)
    : m_outcomes(size_t(std::max(requests, 0)), Outcome::Written)
{
}

void ReportBatch::startRequest(int request)
{
    m_request = request;
}

void ReportBatch::add(const QString& sql, const QString& key, const QString& deviceId,
                      const QVariantList& columns)
{
    auto kind = std::find_if(m_kinds.begin(), m_kinds.end(), [&](const Kind& k) { return k.sql == sql; });
    if (kind == m_kinds.end()) {
        kind = m_kinds.insert(m_kinds.end(), Kind { sql, {} });
    }
    kind->rows.push_back({ m_request, deviceId + u'\n' + key, deviceId, columns });
}

QString ReportBatch::arrayLiteral(const QVariantList& values)
{
    QString text = u"{"_s;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0) {
            text += u',';
        }
        const auto& value = values.at(i);
        if (value.isNull()) {
            text += u"NULL"_s;
            continue;
        }
        text += u'"';
        for (const auto c : value.toString()) {
            if (c == u'"' || c == u'\\') {
                text += u'\\';
            }
            text += c;
        }
        text += u'"';
    }
    return text + u'}';
}

QVariantList ReportBatch::arraysOf(const std::vector<const Row*>& rows)
{
    const auto columnCount = rows.front()->columns.size();
    QVariantList arrays;
    QVariantList deviceIds;
    for (const auto* row : rows) {
        deviceIds.append(row->deviceId);
    }
    arrays.append(arrayLiteral(deviceIds));
    for (qsizetype column = 0; column < columnCount; ++column) {
        QVariantList values;
        for (const auto* row : rows) {
            values.append(row->columns.at(column));
        }
        arrays.append(arrayLiteral(values));
    }
    return arrays;
}

QStringList ReportBatch::run(ServerDatabase& database, const QString& sql,
                             const std::vector<const Row*>& rows)
{
    const auto arrays = arraysOf(rows);
    auto& query = database.report(sql, arrays);
    QStringList written;
    while (query.next()) {
        written.append(query.value(0).toString());
    }
    return written;
}

void ReportBatch::settle(const std::vector<const Row*>& rows, const QStringList& written)
{
    const QSet<QString> found(written.cbegin(), written.cend());
    for (const auto* row : rows) {
        auto& outcome = m_outcomes.at(size_t(row->request));
        if (outcome == Outcome::Written && !found.contains(row->deviceId)) {
            outcome = Outcome::DeviceNotFound;
        }
    }
}

bool ReportBatch::writeEveryKind(ServerDatabase& database)
{
    QStringList parts;
    QStringList results;
    QVariantList values;
    std::vector<std::vector<const Row*>> rowsOfKind(m_kinds.size());
    for (size_t i = 0; i < m_kinds.size(); ++i) {
        for (const auto& row : m_kinds[i].rows) {
            rowsOfKind[i].push_back(&row);
        }
        const auto name = u"kind"_s + QString::number(i);
        parts.append(name + u" AS ("_s + m_kinds[i].sql + u')');
        results.append(u"SELECT "_s + QString::number(i) + u", device_id FROM "_s + name);
        values += arraysOf(lastOfEachKey(rowsOfKind[i]));
    }
    try {
        auto& query = database.report(
            u"WITH "_s + parts.join(u", "_s) + u' ' + results.join(u" UNION ALL "_s), values);
        std::vector<QStringList> written(m_kinds.size());
        while (query.next()) {
            written.at(size_t(query.value(0).toInt())).append(query.value(1).toString());
        }
        for (size_t i = 0; i < m_kinds.size(); ++i) {
            settle(rowsOfKind[i], written[i]);
        }
        return true;
    } catch (const DatabaseError& error) {
        std::fprintf(stderr, "database error: %s\n", error.what());
        return false;
    }
}

void ReportBatch::write(ServerDatabase& database)
{
    // Every kind in one statement, one round trip and one commit; should that fail, each kind
    // on its own, and then each request's.
    // Rows are locked in one order by every batch, tables by their statements' order (the
    // statements sort their own rows), so that concurrent batches never deadlock.
    std::sort(m_kinds.begin(), m_kinds.end(), [](const Kind& a, const Kind& b) { return a.sql < b.sql; });
    if (m_kinds.size() > 1 && writeEveryKind(database)) {
        m_kinds.clear();
        return;
    }
    for (const auto& kind : m_kinds) {
        std::vector<const Row*> all;
        for (const auto& row : kind.rows) {
            all.push_back(&row);
        }
        try {
            settle(all, run(database, kind.sql, lastOfEachKey(all)));
            continue;
        } catch (const DatabaseError& error) {
            std::fprintf(stderr, "database error: %s\n", error.what());
        }
        std::map<int, std::vector<const Row*>> rowsOfRequest;
        for (const auto* row : all) {
            rowsOfRequest[row->request].push_back(row);
        }
        for (const auto& [request, own] : rowsOfRequest) {
            try {
                settle(own, run(database, kind.sql, lastOfEachKey(own)));
            } catch (const DatabaseError& error) {
                std::fprintf(stderr, "database error: %s\n", error.what());
                m_outcomes.at(size_t(request)) = Outcome::Failed;
            }
        }
    }
    m_kinds.clear();
}

std::vector<const ReportBatch::Row*> ReportBatch::lastOfEachKey(const std::vector<const Row*>& rows)
{
    // One statement may not touch a row twice. Keys begin with the device, so a row left out
    // shares its device, and so its outcome, with the one kept.
    QHash<QString, size_t> last;
    for (size_t i = 0; i < rows.size(); ++i) {
        last.insert(rows[i]->key, i);
    }
    std::vector<const Row*> kept;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (last.value(rows[i]->key) == i) {
            kept.push_back(rows[i]);
        }
    }
    return kept;
}
