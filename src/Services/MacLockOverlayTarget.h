#pragma once

#include "Models/MacSelectionPayload.h"
#include "Models/ScreenTimePolicy.h"
#include "Services/MacPolicyExecutor.h"

// What the synchronisation drives on screen. The lock overlay (a view) implements it, and the
// application hands it to the engine below the views, which never includes them.
class MacLockOverlayTarget
{
public:
    virtual ~MacLockOverlayTarget();

    virtual void setShieldTargets(const MacSelectionPayload& selection) = 0;
    virtual void show(MacPolicyExecutor::LockReason reason, const ScreenTimePolicy& policy) = 0;
    virtual void beginAppBlock() = 0;
    virtual void hide() = 0;
};
