#pragma once

#include "PolicyRepository.h"
#include "UnlockRequestRepository.h"

class FamilyHandler;

// A locked child asks for more time; a parent approves (the child's policy is unlocked until
// now + the agreed minutes) or rejects.
class UnlockRequestHandler final
{
public:
    UnlockRequestHandler(ServerDatabase& database, FamilyHandler& families, int requestsPerHour);

    UnlockRequest requestUnlock(const QString& deviceId, const UnlockRequestPayload& payload);
    QList<UnlockRequest> requests(const QString& familyCode, const std::optional<QString>& status);
    // The child's own recent requests, so that it learns how each was decided.
    QList<UnlockRequest> deviceRequests(const QString& deviceId);
    // With `familyCode`, a request of another family is answered like a wrong code. Without one the
    // request identifier is the proof: random, and listed only to holders of the family code.
    UnlockRequest decide(const QString& requestId, const UnlockDecisionPayload& decision,
                         const std::optional<QString>& familyCode = std::nullopt);

    static constexpr qint64 defaultExtendMinutes = 15;
    static constexpr qint64 maximumMinutes = 24 * 60;
    static constexpr int maximumListed = 500;
    static constexpr int maximumListedForDevice = 20;

private:
    UnlockRequestRepository m_requests;
    PolicyRepository m_policies;
    FamilyHandler& m_families;
    int m_requestsPerHour;
};
