#include "Services/MacLockOverlayTarget.h"

MacLockOverlayTarget::~MacLockOverlayTarget() = default;
