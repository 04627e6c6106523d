#include "Platform/ProcessShield.h"

#include "Platform/Linux/LinuxProcessShield.h"

ProcessShield::~ProcessShield() = default;

namespace {
ProcessShield* g_installed = nullptr;
}

ProcessShield& ProcessShield::shared()
{
    if (g_installed) {
        return *g_installed;
    }
    static LinuxProcessShield platform;
    return platform;
}

void ProcessShield::setShared(ProcessShield* shield)
{
    g_installed = shield;
}
