#pragma once

#include "Platform/PlatformDefaults.h"

#include <QNetworkAccessManager>

class AdminRunner;
class AppBundle;
class GuardInstaller;
class ProcessShield;
class SecureStore;
class SessionActivity;
class SystemNotifications;
class Workspace;

// The operating system's side of the application that the screens and the enforcement need:
// chosen once, by the application (the platform's own) or by a test (its doubles), and handed on
// at construction to whatever needs a part of it.
struct HostPlatform
{
    Workspace& workspace;
    ProcessShield& processes;
    SystemNotifications& notifications;
    const AppBundle& bundle;
    // The child guard's scripts, and the administrator prompt that runs them as root.
    const GuardInstaller& guardInstaller;
    AdminRunner& admin;
    // Whether someone is using this session, for counting where no window can be seen.
    SessionActivity& session;
    // The parent password and this computer's device token.
    SecureStore& keychain;
    // Every exchange with the family server and the release catalogue.
    QNetworkAccessManager& network;

    static HostPlatform native()
    {
        // Made on first use on the main thread and kept for the process, like the other parts.
        static auto* const network = new QNetworkAccessManager;
        return { PlatformDefaults::workspace(),
                 PlatformDefaults::processShield(),
                 PlatformDefaults::systemNotifications(),
                 PlatformDefaults::appBundle(),
                 PlatformDefaults::guardInstaller(),
                 PlatformDefaults::adminRunner(),
                 PlatformDefaults::sessionActivity(),
                 PlatformDefaults::secureStore(),
                 *network };
    }
};
