#pragma once

#include "Services/MacLockOverlayTarget.h"
#include "Services/MacPolicyExecutor.h"

#include <QStringList>

// Stands in for the lock overlay and writes down what it was asked to do, in order.
class RecordingOverlay final : public MacLockOverlayTarget
{
public:
    QStringList calls;
    // Off where a test looks only at showing and hiding.
    bool recordsTargets = true;

    void setShieldTargets(const MacSelectionPayload& selection) override
    {
        if (recordsTargets) {
            calls.append(QStringLiteral("targets:") + selection.bundleIds.join(u','));
        }
    }
    void show(MacPolicyExecutor::LockReason reason, const ScreenTimePolicy&) override
    {
        calls.append(QStringLiteral("show:") + MacPolicyExecutor::rawValue(reason));
    }
    void beginAppBlock() override { calls.append(QStringLiteral("appBlock")); }
    void hide() override { calls.append(QStringLiteral("hide")); }
};
