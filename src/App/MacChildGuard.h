#pragma once

#include "Services/ChildGuardState.h"

#include <QString>

// Keeps a child computer's copy of the application running against a standard account: asks
// once for an administrator's approval to install a root-owned copy with a keeper that restarts
// it, and makes quitting need the parent password while that guard is on. Never active on a
// parent's computer or one that is not bound yet.
//
// The macOS scripts (a launch agent) are kept as text here; a Linux build installs the guard of
// LinuxChildGuard instead, driven by the same decisions.
namespace MacChildGuard {

inline const QString markerFile = QStringLiteral("/Library/Application Support/Vantorel/guard.on");
inline const QString markerDirectory = QStringLiteral("/Library/Application Support/Vantorel");
inline const QString launchAgentPlist
    = QStringLiteral("/Library/LaunchAgents/com.corvane.vantorel.guard.plist");
inline const QString launchAgentLabel = QStringLiteral("com.corvane.vantorel.guard");
inline const QString lastPromptKey = QStringLiteral("mac.childGuard.lastPrompt");
inline const QString roleKey = QStringLiteral("remoteBackend.role");
inline constexpr double promptInterval = 86400;

enum class TerminateReply
{
    terminateNow,
    terminateCancel
};

// The stored role is exactly "child".
bool isChildRole();

// Offers the installation when due: a child computer, the guard off, and the last offer at
// least 24 hours ago. The time is recorded before asking, so a refused prompt also waits a day.
void installIfNeeded();

// Whether a start at login (`vantorel --autostart`, from the system-wide autostart entry) goes
// on: only for an account bound to a family as a child, so that the child is guarded from the
// first login even before the root guard is installed, and only while that guard is off, since
// its keeper starts the application itself.
bool startsAtLogin();

// The macOS install script for the bundle at `sourceAppPath`.
QString installScript(const QString& sourceAppPath);
// The macOS removal script; the copy in /Applications stays.
QString teardownScript();
// The path in single quotes, each single quote inside written as '\''.
QString quotedForShell(const QString& path);

// The one way a script is run as root (the updater uses it too).
bool runAsAdmin(const QString& script);

// Asks for the parent password and removes the guard. True only when the removal ran.
bool confirmParentAndTeardown();

// Whether a quit request may go ahead.
TerminateReply quitDecision();

// The guard of the platform this build runs on.
QString hostMarkerFile();
bool isGuardOn();
// What the health report says of the guard on this computer.
ChildGuardState::State hostGuardState();
QString hostInstallScript(const QString& sourceAppPath);
QString hostTeardownScript();

} // namespace MacChildGuard
