#include "Platform/PlatformDefaults.h"
#include "Platform/macOS/AppleScriptAdminRunner.h"
#include "Platform/macOS/MacGuardInstaller.h"

// The Mac's keychain, notification centre and bundle seams have no implementation in this folder
// yet; a macOS build links only once they do.
namespace PlatformDefaults {

AdminRunner& adminRunner()
{
    static AppleScriptAdminRunner runner;
    return runner;
}

const GuardInstaller& guardInstaller()
{
    static const MacGuardInstaller installer;
    return installer;
}

} // namespace PlatformDefaults
