#pragma once

#include "Models/ScreenTimePolicy.h"

// Persistence seam of the policy store.
class ScreenTimePolicyRepositoryProtocol
{
public:
    virtual ~ScreenTimePolicyRepositoryProtocol() = default;

    // Never fails: anything unreadable yields the default policy.
    virtual ScreenTimePolicy load() const = 0;
    virtual void save(const ScreenTimePolicy& policy) = 0;
};
