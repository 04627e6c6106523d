#include "FamilyServer.h"
#include "ServerDatabase.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
// A signal may arrive in the middle of anything, where nothing of Qt may be called: the handler
// only writes a byte, and the event loop reads it and quits. Calling quit() from the handler itself
// sometimes left the server running after SIGTERM.
int g_signalPipe[2] = { -1, -1 };

void writeSignalByte(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[0], &byte, 1);
}

void quitOnTermination(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[1], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    struct sigaction action
    {
    };
    action.sa_handler = writeSignalByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
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
    quitOnTermination(app);
    return app.exec();
}
