#pragma once

#include <QCoroTask>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>

class RemoteBackendConfig;
class ScreenTimePolicyStore;
struct ScreenTimePolicy;
struct UnlockRequest;

// Whether the child's request to the parent is still waiting: from a request the server accepted
// until a policy shows an unlock or an hour has passed. Stored, so a restart keeps it; read from
// the standard user defaults and the current clock at each call. A request the parent declined
// ends the wait too, and is then reported as rejected until the next request, an unlock, or an
// hour.
class MacUnlockRequestState final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isPending READ isPending NOTIFY changed)

public:
    static inline const QString storageKey = QStringLiteral("vtl_unlock_request_sent_at");
    static inline const QString rejectedKey = QStringLiteral("vtl_unlock_request_rejected_at");
    static constexpr qint64 waitSeconds = 3600;
    static constexpr std::chrono::milliseconds answerPeriod { 20'000 };

    explicit MacUnlockRequestState(QObject* parent = nullptr);

    bool isPending() const;
    bool isRejected() const;
    void markSent();
    // The child's own requests as the server lists them, newest first: a declined newest one
    // ends the wait.
    void noteAnswers(const QList<UnlockRequest>& ownRequests);
    // Asks the server about the waiting request, if any.
    QCoro::Task<> checkAnswers(RemoteBackendConfig& config);
    // Asks every `answerPeriod` (tests shorten it) while a request waits.
    void followAnswers(RemoteBackendConfig& config);
    void setAnswerPeriod(std::chrono::milliseconds period) { m_answers.setInterval(period); }
    // Ends the wait when `policy` carries a temporary unlock that is running now.
    void noteUnlockIn(const ScreenTimePolicy& policy);
    // Follows the policies this store publishes.
    void watch(ScreenTimePolicyStore& policyStore);

signals:
    void changed();

private:
    void clear();
    void armExpiry();

    QTimer m_expiry;
    QTimer m_answers;
    QPointer<RemoteBackendConfig> m_followed;
    QPointer<ScreenTimePolicyStore> m_watched;
};
