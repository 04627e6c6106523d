#pragma once

#include "FamilyHandler.h"
#include "PublicHandler.h"

struct ServerOptions;

// The handlers of one server, all working on the same database connection.
struct ServerHandlers
{
    ServerHandlers(ServerDatabase& database, const ServerOptions& options);

    FamilyHandler families;
    PublicHandler publicInfo;
};
