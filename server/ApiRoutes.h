#pragma once

#include "ApiRoute.h"

#include <QList>

struct ServerHandlers;

// The route table under /api/v1. Each route only parses its request, calls one handler operation
// and shapes the answer; every rule lives in the handlers.
namespace ApiRoutes {

QList<ApiRoute> build(ServerHandlers& handlers);

} // namespace ApiRoutes
