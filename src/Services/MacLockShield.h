#pragma once

#include "Models/ScreenTimePolicy.h"
#include "Platform/Workspace.h"
#include "Services/MacPolicyExecutor.h"
#include "Services/MacSelectionMatcher.h"

#include <QList>
#include <QString>

// What the lock overlay and the app shield decide, apart from any window: which overlay action a
// lock decision calls for, which running applications a shield step hides, and the reason line.
namespace MacLockShield {

enum class OverlayAction
{
    hide, // not locked: overlay down, shield stopped
    showOverlay, // the parent's immediate lock: windows on every screen plus the shield
    appBlock // every other reason: no windows, controlled applications kept hidden
};

OverlayAction actionFor(const MacPolicyExecutor::LockDecision& decision);

// The regular, controlled applications among `running`, never this application itself (same
// process, or the same identifier; two absent identifiers count as the same).
QList<RunningApplication> applicationsToHide(const QList<RunningApplication>& running,
                                             const MacSelectionMatcher& targets,
                                             const std::optional<QString>& ownBundleIdentifier,
                                             qint64 ownProcess);

QString reasonText(MacPolicyExecutor::LockReason reason, const ScreenTimePolicy& policy);
// "HH:mm" of an hour and minute (missing counts as 0); out-of-range values roll over the way a
// lenient calendar does (25:00 is 01:00).
QString formatTime(const DateComponents& time);

} // namespace MacLockShield
