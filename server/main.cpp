#include "FamilyServer.h"
#include "ServerDatabase.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {
void quitOnSignal(int)
{
    QCoreApplication::quit();
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(u"vantorel-server"_s);
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTOREL_SERVER_VERSION));

    const auto parsed = ServerOptions::parse(QCoreApplication::arguments());
    switch (parsed.outcome) {
    case ServerOptions::Outcome::ShowHelp:
        std::printf("%s", parsed.text.toUtf8().constData());
        return 0;
    case ServerOptions::Outcome::ShowVersion:
        std::printf("vantorel-server %s\n", VANTOREL_SERVER_VERSION);
        return 0;
    case ServerOptions::Outcome::Invalid:
        std::fprintf(stderr, "vantorel-server: %s\nTry --help.\n", parsed.text.toUtf8().constData());
        return 2;
    case ServerOptions::Outcome::Run:
        break;
    }

    FamilyServer server(parsed.options);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "vantorel-server: %s\n", error.toUtf8().constData());
        return 1;
    }
    // The port line is what scripts and tests wait for, so it is flushed at once.
    std::printf("vantorel-server listening on %s:%u, database %s, schema version %d\n",
                parsed.options.address.toString().toUtf8().constData(), unsigned(server.port()),
                parsed.options.database.redacted().toUtf8().constData(),
                ServerDatabase::currentSchemaVersion());
    std::fflush(stdout);
    std::signal(SIGINT, quitOnSignal);
    std::signal(SIGTERM, quitOnSignal);
    return app.exec();
}
