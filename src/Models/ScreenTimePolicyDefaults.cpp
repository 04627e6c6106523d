#include "Models/ScreenTimePolicyDefaults.h"

namespace ScreenTimePolicyDefaults {

const DateComponents& blockedStart()
{
    static const DateComponents components { 20, 0 };
    return components;
}

const DateComponents& blockedEnd()
{
    static const DateComponents components { 8, 0 };
    return components;
}

} // namespace ScreenTimePolicyDefaults
