#include "Platform/Workspace.h"

#include "Platform/Linux/X11Workspace.h"

Workspace::~Workspace() = default;

namespace {
Workspace* g_installed = nullptr;
}

Workspace& Workspace::shared()
{
    if (g_installed) {
        return *g_installed;
    }
    static X11Workspace platform;
    return platform;
}

void Workspace::setShared(Workspace* workspace)
{
    g_installed = workspace;
}
