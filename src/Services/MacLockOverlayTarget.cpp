#include "Services/MacLockOverlayTarget.h"

MacLockOverlayTarget::~MacLockOverlayTarget()
{
    if (shared() == this) {
        setShared(nullptr);
    }
}

namespace {
MacLockOverlayTarget* g_target = nullptr;
}

MacLockOverlayTarget* MacLockOverlayTarget::shared()
{
    return g_target;
}

void MacLockOverlayTarget::setShared(MacLockOverlayTarget* target)
{
    g_target = target;
}
