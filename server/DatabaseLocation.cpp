#include "DatabaseLocation.h"

#include <QUrl>

using namespace Qt::StringLiterals;

std::optional<DatabaseLocation> DatabaseLocation::parse(const QString& text, QString* error)
{
    auto fail = [error](const QString& why) -> std::optional<DatabaseLocation> {
        if (error) {
            *error = why;
        }
        return std::nullopt;
    };
    if (text.startsWith(u"sqlite:"_s)) {
        const auto path = text.mid(7);
        if (path.isEmpty()) {
            return fail(u"sqlite: needs a file path"_s);
        }
        return sqlite(path);
    }
    if (!text.startsWith(u"postgres://"_s) && !text.startsWith(u"postgresql://"_s)) {
        return fail(u"the database must be sqlite:PATH or postgres://USER@HOST:PORT/DATABASE"_s);
    }
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        return fail(u"the PostgreSQL address is not a valid URL"_s);
    }
    DatabaseLocation location;
    location.kind = Kind::Postgres;
    location.host = url.host();
    location.port = url.port(5432);
    location.user = url.userName();
    location.password = url.password();
    location.databaseName = url.path().mid(1);
    if (location.user.isEmpty() || location.databaseName.isEmpty() || location.databaseName.contains(u'/')) {
        return fail(
            u"the PostgreSQL address needs a user and a database: postgres://USER@HOST:PORT/DATABASE"_s);
    }
    return location;
}

DatabaseLocation DatabaseLocation::sqlite(const QString& path)
{
    DatabaseLocation location;
    location.kind = Kind::Sqlite;
    location.sqlitePath = path;
    return location;
}

QString DatabaseLocation::redacted() const
{
    if (kind == Kind::Sqlite) {
        return u"sqlite:"_s + sqlitePath;
    }
    return u"postgres://%1@%2:%3/%4"_s.arg(user, host).arg(port).arg(databaseName);
}
