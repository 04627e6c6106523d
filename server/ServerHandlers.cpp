#include "ServerHandlers.h"

#include "ServerOptions.h"

ServerHandlers::ServerHandlers(ServerDatabase& database, const ServerOptions& options,
                               DeviceTokenCache* knownTokens)
    : families(database)
    , policies(database, families)
    , usage(database, families, options.timeZone)
    , health(database, families)
    , unlockRequests(database, families, options.unlockRequestsPerHour)
    , publicInfo(database, options.displayInfo)
    , auth(database, knownTokens)
{
}
