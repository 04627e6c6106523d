#pragma once

class AdminRunner;
class AppBundle;
class ProcessShield;
class GuardInstaller;
class SecureStore;
class SessionActivity;
class SystemNotifications;
class Workspace;

// The implementations of the operating-system seams that a build for this platform uses when
// nothing else is installed. Defined once per platform folder; each is created on first use and
// lives until the process ends.
namespace PlatformDefaults {
SecureStore& secureStore();
AdminRunner& adminRunner();
SystemNotifications& systemNotifications();
AppBundle& appBundle();
const GuardInstaller& guardInstaller();
Workspace& workspace();
ProcessShield& processShield();
SessionActivity& sessionActivity();
} // namespace PlatformDefaults
