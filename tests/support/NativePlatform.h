#pragma once

#include "Platform/HostPlatform.h"
#include "support/ScriptedWorkspace.h"

// This computer's own seams with the keychain and network a test holds, so that no test reads or
// writes the user's real keychain; where a workspace is given, the window system and the processes
// are played too.
inline HostPlatform nativePlatformWith(SecureStore& keychain, QNetworkAccessManager& network,
                                       ScriptedWorkspace* workspace = nullptr)
{
    const auto native = HostPlatform::native();
    return { workspace ? static_cast<Workspace&>(*workspace) : native.workspace,
             workspace ? static_cast<ProcessShield&>(workspace->processes) : native.processes,
             native.notifications,
             native.bundle,
             native.guardInstaller,
             native.admin,
             native.session,
             keychain,
             network };
}
