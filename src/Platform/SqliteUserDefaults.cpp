#include "Platform/SqliteUserDefaults.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QIODevice>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace {
// Stored in the `kind` column; values never change once written to a file.
int storedKind(UserDefaults::Kind kind)
{
    return static_cast<int>(kind);
}

constexpr auto kDataStreamVersion = QDataStream::Qt_6_4;
} // namespace

SqliteUserDefaults::SqliteUserDefaults(const QString& filePath)
    : m_filePath(filePath)
    , m_connectionPrefix(u"vantorel.defaults."_s + QUuid::createUuid().toString(QUuid::WithoutBraces))
{
    QDir().mkpath(QFileInfo(filePath).absolutePath());
    QMutexLocker lock(&m_mutex);
    auto db = QSqlDatabase::database(connectionForCurrentThread());
    QSqlQuery query(db);
    query.exec(u"PRAGMA journal_mode=WAL"_s);
    query.exec(u"CREATE TABLE IF NOT EXISTS defaults (key TEXT PRIMARY KEY NOT NULL, kind INTEGER NOT NULL, "
               "value BLOB)"_s);
    QFile::setPermissions(filePath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

SqliteUserDefaults::~SqliteUserDefaults()
{
    QMutexLocker lock(&m_mutex);
    for (const auto& name : std::as_const(m_connections)) {
        {
            auto db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

QString SqliteUserDefaults::defaultFilePath()
{
    const auto base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + u"/vantorel/defaults.sqlite3"_s;
}

bool SqliteUserDefaults::isOpen() const
{
    QMutexLocker lock(&m_mutex);
    return QSqlDatabase::database(connectionForCurrentThread()).isOpen();
}

// Qt's SQL connections belong to the thread that opened them; the store may be read from any
// thread (the localisation lookup), so each thread gets its own connection to the same file.
QString SqliteUserDefaults::connectionForCurrentThread() const
{
    const QString name = m_connectionPrefix + u'.'
        + QString::number(reinterpret_cast<quintptr>(QThread::currentThread()), 16);
    if (!QSqlDatabase::contains(name)) {
        auto db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(m_filePath);
        db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=5000"_s);
        if (db.open()) {
            QSqlQuery query(db);
            query.exec(u"PRAGMA synchronous=FULL"_s);
        } else {
            qWarning("UserDefaults: cannot open %s: %s", qUtf8Printable(m_filePath),
                     qUtf8Printable(db.lastError().text()));
        }
        m_connections.append(name);
    }
    return name;
}

QByteArray SqliteUserDefaults::encodeContainer(const QVariant& value)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setVersion(kDataStreamVersion);
    stream << value;
    return bytes;
}

QVariant SqliteUserDefaults::decodeContainer(UserDefaults::Kind kind, const QByteArray& bytes)
{
    QDataStream stream(bytes);
    stream.setVersion(kDataStreamVersion);
    QVariant value;
    stream >> value;
    if (stream.status() != QDataStream::Ok || !stream.atEnd() || kindOf(value) != kind) {
        return {};
    }
    // A damaged row must not smuggle in a type this store never writes.
    const auto clean = normalized(value);
    return clean == value ? clean : QVariant();
}

QVariant SqliteUserDefaults::object(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    QSqlQuery query(QSqlDatabase::database(connectionForCurrentThread()));
    query.prepare(u"SELECT kind, value FROM defaults WHERE key = ?"_s);
    query.addBindValue(key);
    if (!query.exec() || !query.next()) {
        return {};
    }
    const auto kind = static_cast<Kind>(query.value(0).toInt());
    const auto raw = query.value(1);
    switch (kind) {
    case Kind::String:
        return QString::fromUtf8(raw.toByteArray());
    case Kind::Data:
        return raw.toByteArray();
    case Kind::Integer: {
        bool ok = false;
        const auto number = raw.toLongLong(&ok);
        return ok ? QVariant(number) : QVariant();
    }
    case Kind::Double: {
        bool ok = false;
        const auto number = raw.toDouble(&ok);
        return ok ? QVariant(number) : QVariant();
    }
    case Kind::Boolean:
        return QVariant(raw.toLongLong() != 0);
    case Kind::Dictionary:
    case Kind::Array:
        return decodeContainer(kind, raw.toByteArray());
    case Kind::None:
        break;
    }
    return {};
}

void SqliteUserDefaults::setObject(const QString& key, const QVariant& value)
{
    const auto clean = normalized(value);
    const auto kind = kindOf(clean);
    if (kind == Kind::None) {
        removeObject(key);
        return;
    }
    QVariant stored;
    switch (kind) {
    case Kind::String:
        stored = clean.toString().toUtf8();
        break;
    case Kind::Data:
        stored = clean.toByteArray();
        break;
    case Kind::Integer:
        stored = clean.toLongLong();
        break;
    case Kind::Double:
        stored = clean.toDouble();
        break;
    case Kind::Boolean:
        stored = clean.toBool() ? 1 : 0;
        break;
    case Kind::Dictionary:
    case Kind::Array:
        stored = encodeContainer(clean);
        break;
    case Kind::None:
        return;
    }
    QMutexLocker lock(&m_mutex);
    QSqlQuery query(QSqlDatabase::database(connectionForCurrentThread()));
    query.prepare(u"INSERT INTO defaults (key, kind, value) VALUES (?, ?, ?) "
                  "ON CONFLICT(key) DO UPDATE SET kind = excluded.kind, value = excluded.value"_s);
    query.addBindValue(key);
    query.addBindValue(storedKind(kind));
    query.addBindValue(stored);
    if (!query.exec()) {
        qWarning("UserDefaults: cannot write %s: %s", qUtf8Printable(key),
                 qUtf8Printable(query.lastError().text()));
    }
}

void SqliteUserDefaults::removeObject(const QString& key)
{
    QMutexLocker lock(&m_mutex);
    QSqlQuery query(QSqlDatabase::database(connectionForCurrentThread()));
    query.prepare(u"DELETE FROM defaults WHERE key = ?"_s);
    query.addBindValue(key);
    if (!query.exec()) {
        qWarning("UserDefaults: cannot remove %s: %s", qUtf8Printable(key),
                 qUtf8Printable(query.lastError().text()));
    }
}
