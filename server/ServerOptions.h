#pragma once

#include "DatabaseLocation.h"
#include "FamilyCodeThrottle.h"
#include "Services/Network/PublicDisplayInfoRecords.h"

#include <QHostAddress>
#include <QStringList>
#include <QTimeZone>

#include <optional>

// Everything the server is told at start, from its command line.
struct ServerOptions
{
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 8787;
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

    static QString defaultDatabasePath();

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
