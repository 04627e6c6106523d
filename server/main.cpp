#include "FamilyServer.h"
#include "ServerDatabase.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

using namespace Qt::StringLiterals;

namespace {
void quitOnSignal(int)
{
    QCoreApplication::quit();
}

// Every client connection holds a file descriptor, and the soft limit is often a mere 1024 while
// the hard one allows far more.
void raiseFileLimit()
{
    rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

QString hostAndPort(const QHostAddress& address, quint16 port)
{
    const auto host = address.protocol() == QAbstractSocket::IPv6Protocol ? u"[%1]"_s.arg(address.toString())
                                                                          : address.toString();
    return u"%1:%2"_s.arg(host).arg(port);
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

    raiseFileLimit();
    FamilyServer server(parsed.options);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "vantorel-server: %s\n", error.toUtf8().constData());
        return 1;
    }
    // The port line is what scripts and tests wait for, so it is flushed at once.
    QStringList addresses { hostAndPort(parsed.options.address, server.ports().value(0)) };
    for (qsizetype i = 0; i < parsed.options.alsoListen.size(); ++i) {
        addresses.append(hostAndPort(parsed.options.alsoListen.at(i).first, server.ports().value(i + 1)));
    }
    std::printf("vantorel-server listening on %s, database %s, schema version %d, at most %d connections\n",
                addresses.join(u", "_s).toUtf8().constData(),
                parsed.options.database.redacted().toUtf8().constData(),
                ServerDatabase::currentSchemaVersion(), server.maximumConnections());
    std::fflush(stdout);
    std::signal(SIGINT, quitOnSignal);
    std::signal(SIGTERM, quitOnSignal);
    return app.exec();
}
