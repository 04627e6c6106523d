#pragma once

#include "Platform/UserDefaults.h"

#include <QMutex>

// UserDefaults persisted in one SQLite file: one row per key, each write its own transaction,
// in WAL mode with a full sync, so a crash never loses a write that returned, and two processes
// of the application may share the file. Reads go to the file every time so that a value
// written by the other process is seen at once.
class SqliteUserDefaults final : public UserDefaults
{
public:
    explicit SqliteUserDefaults(const QString& filePath);
    ~SqliteUserDefaults() override;
    Q_DISABLE_COPY_MOVE(SqliteUserDefaults)

    QVariant object(const QString& key) const override;
    void setObject(const QString& key, const QVariant& value) override;
    void removeObject(const QString& key) override;

    bool isOpen() const;
    QString filePath() const { return m_filePath; }

    // <config dir>/vantorel/defaults.sqlite3, the file the application uses.
    static QString defaultFilePath();

    // Encoding of one value as stored in a row; public for the tests of corrupt rows.
    static QByteArray encodeContainer(const QVariant& value);
    static QVariant decodeContainer(UserDefaults::Kind kind, const QByteArray& bytes);

private:
    QString connectionForCurrentThread() const;

    QString m_filePath;
    QString m_connectionPrefix;
    mutable QMutex m_mutex;
    mutable QStringList m_connections;
};
