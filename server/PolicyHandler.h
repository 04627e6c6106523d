#pragma once

#include "PolicyRepository.h"

class FamilyHandler;

// A child's rules: read by the child on every cycle, written by a parent's rule editor.
class PolicyHandler final
{
public:
    PolicyHandler(ServerDatabase& database, FamilyHandler& families);

    // The stored rules and selection, or the default rules with an empty selection.
    UpsertPolicyPayload policy(const QString& deviceId);
    // Stores "policy" and "selection" as sent, after checking that the rules make sense.
    UpsertPolicyPayload putPolicy(const QString& deviceId, const UpsertPolicyPayload& payload);

private:
    PolicyRepository m_policies;
    FamilyHandler& m_families;
};
