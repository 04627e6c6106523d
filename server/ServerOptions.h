#pragma once

#include "DatabaseLocation.h"
#include "FamilyCodeThrottle.h"
#include "Protocol/PublicDisplayInfoRecords.h"

#include <QHostAddress>
#include <QStringList>
#include <QTimeZone>

#include <optional>
#include <utility>

// Everything the server is told at start, from its command line.
struct ServerOptions
{
    // The first --listen; `alsoListen` holds any further ones.
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 8787;
    QList<std::pair<QHostAddress, quint16>> alsoListen;
    DatabaseLocation database;
    // The zone whose calendar day is "today" for usage counts.
    QTimeZone timeZone = QTimeZone::systemTimeZone();
    int unlockRequestsPerHour = 5;
    // Served unchanged by the public display information endpoint.
    PublicAppDisplayInfo displayInfo;
    qint64 maximumBodyBytes = 256 * 1024;
    // Budgets of failed family-code lookups (see FamilyCodeThrottle).
    FamilyCodeThrottle::Settings guessing;
    bool logRequests = true;

    // What one client may hold. A connection must deliver a request head within
    // `headerTimeoutMs` of its first byte (or of connecting), and is closed after `idleTimeoutMs`
    // without a byte between requests or inside a body. Past `maximumConnections` open at once,
    // the connection idle the longest is closed to make room; when every one is busy with a
    // request, a new one is answered 503 and closed. The cap never exceeds what the open-file
    // limit leaves room for.
    int headerTimeoutMs = 10 * 1000;
    int idleTimeoutMs = 60 * 1000;
    int maximumConnections = 4096;
    // Threads, each with its own database connection, that run the requests' reads; one more
    // writes.
    int databaseThreads = defaultDatabaseThreads();
    // Where to write, at exit, the time requests spent in each stage inside the server; empty:
    // not measured.
    QString stageTimingsFile;

    static QString defaultDatabasePath();
    static int defaultDatabaseThreads();

    enum class Outcome
    {
        Run,
        ShowHelp,
        ShowVersion,
        Invalid
    };
    // `arguments` starts with the program name, as QCoreApplication::arguments() does.
    static struct ParsedServerOptions parse(const QStringList& arguments);
};

struct ParsedServerOptions
{
    ServerOptions::Outcome outcome = ServerOptions::Outcome::Invalid;
    ServerOptions options;
    // The help text for ShowHelp, the reason for Invalid.
    QString text;
};
