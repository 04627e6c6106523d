#include "Platform/Workspace.h"

#include "Platform/PlatformDefaults.h"

Workspace::~Workspace() = default;

namespace {
Workspace* g_installed = nullptr;
}

Workspace& Workspace::shared()
{
    if (g_installed) {
        return *g_installed;
    }
    return PlatformDefaults::workspace();
}

void Workspace::setShared(Workspace* workspace)
{
    g_installed = workspace;
}
