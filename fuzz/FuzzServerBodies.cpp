// The server's reading of request bodies. The first byte picks one of the routes that take a body,
// the rest is the body: the route decodes it, its handler checks it and stores what it accepts in
// an SQLite database in memory, as for a request over HTTP. A 4xx refusal (ApiError) is the
// documented answer to bad input; a 5xx, any other exception, a crash, a leak or a hang is a
// finding.
#include "ApiError.h"
#include "ApiRoutes.h"
#include "ServerDatabase.h"
#include "ServerHandlers.h"
#include "ServerOptions.h"

#include <QCoreApplication>

#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

// One family with a parent, a child and a pending unlock request, made once; the paths' captures
// name them, so that every body reaches its handler's checks and its storage.
struct Server
{
    Server()
    {
        QString error;
        if (!database.open(&error)) {
            qFatal("cannot open the database: %s", qPrintable(error));
        }
        handlers = std::make_unique<ServerHandlers>(database, ServerOptions {});
        for (const auto& route : ApiRoutes::build(*handlers)) {
            if (route.method != QHttpServerRequest::Method::Get
                && route.method != QHttpServerRequest::Method::Delete) {
                routes.append(route);
            }
        }
        code = handlers->families.createFamily().code;
        handlers->families.registerDevice(code, u"parent"_s, u"Mum"_s);
        child = handlers->families.registerDevice(code, u"child"_s, u"Ann"_s).id;
        request = handlers->unlockRequests.requestUnlock(child, {}).id;
    }

    QString capture(const QString& owner) const
    {
        if (owner == u"families"_s) {
            return code;
        }
        return owner == u"unlock-requests"_s ? request : child;
    }

    ServerDatabase database { DatabaseLocation::sqlite(u":memory:"_s) };
    std::unique_ptr<ServerHandlers> handlers;
    QList<ApiRoute> routes;
    QString code;
    QString child;
    QString request;
};

Server& server()
{
    static int argc = 1;
    static char name[] = "FuzzServerBodies";
    static char* argv[] = { name, nullptr };
    static QCoreApplication application(argc, argv);
    static Server instance;
    return instance;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    auto& s = server();
    const auto& route = s.routes.at(data[0] % s.routes.size());
    RouteRequest request;
    for (qsizetype i = 0; i < route.pattern.size(); ++i) {
        if (route.pattern.at(i) == u"{}"_s) {
            request.captures.append(s.capture(route.pattern.value(i - 1)));
        }
    }
    request.query.addQueryItem(u"familyCode"_s, s.code);
    request.body = QByteArray(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    try {
        route.run(request);
    } catch (const ApiError& error) {
        if (error.status() >= 500) {
            qFatal("%d %s", error.status(), qPrintable(error.message()));
        }
    }
    s.database.finishStatements();
    // What accumulates without bound in a long run (feedback, sessions, new families) is cleared
    // now and then, so that memory measures the server and not the pile of accepted inputs.
    static int runs = 0;
    if (++runs % 10000 == 0) {
        s.database.exec(u"DELETE FROM feedbacks"_s);
        s.database.exec(u"DELETE FROM usage_sessions"_s);
        s.database.exec(u"DELETE FROM families WHERE code <> ?"_s, { s.code });
        s.database.finishStatements();
    }
    return 0;
}
