#include "ServerHandlers.h"

#include "ServerOptions.h"

ServerHandlers::ServerHandlers(ServerDatabase& database, const ServerOptions& options)
    : families(database)
    , publicInfo(database, options.displayInfo)
{
}
