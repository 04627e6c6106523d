#pragma once

#include "Protocol/UnlockRecords.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class ServerDatabase;

// Children's requests for more time and the parents' decisions on them.
class UnlockRequestRepository final
{
public:
    explicit UnlockRequestRepository(ServerDatabase& database);

    // Files a pending request unless the child already filed `limit` since `windowStartMs`; the
    // count and the insert happen under the child's device row lock, so two server instances
    // cannot both let the request past the limit. Nothing when over the limit.
    std::optional<UnlockRequest> fileWithinLimit(const QString& familyId, const QString& childDeviceId,
                                                 const UnlockRequestPayload& payload, qint64 nowMs,
                                                 qint64 windowStartMs, int limit);
    // Newest first; every status when `status` is absent.
    QList<UnlockRequest> requests(const QString& familyId, const std::optional<QString>& status, int limit);
    std::optional<UnlockRequest> request(const QString& id);
    // One child's own requests, newest first.
    QList<UnlockRequest> childRequests(const QString& childDeviceId, int limit);

    enum class Decision
    {
        Decided,
        NotFound,
        NotPending
    };
    // Moves a pending request to `status` and runs `alsoInTheTransaction` with the decided request
    // before committing, so that a decision and its effect land together or not at all.
    Decision decide(const QString& id, const QString& status, const QString& decidedBy, qint64 nowMs,
                    const std::function<void(const UnlockRequest&)>& alsoInTheTransaction);

private:
    ServerDatabase& m_db;
};
