#pragma once

#include "DeviceAuth.h"
#include "FamilyHandler.h"
#include "HealthHandler.h"
#include "PolicyHandler.h"
#include "PublicHandler.h"
#include "UnlockRequestHandler.h"
#include "UsageHandler.h"

struct ServerOptions;

// The handlers of one server, all working on the same database connection.
struct ServerHandlers
{
    ServerHandlers(ServerDatabase& database, const ServerOptions& options,
                   DeviceTokenCache* knownTokens = nullptr);

    FamilyHandler families;
    PolicyHandler policies;
    UsageHandler usage;
    HealthHandler health;
    UnlockRequestHandler unlockRequests;
    PublicHandler publicInfo;
    DeviceAuth auth;
};
