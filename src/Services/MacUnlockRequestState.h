#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

class ScreenTimePolicyStore;
struct ScreenTimePolicy;

// Whether the child's request to the parent is still waiting: from a request the server accepted
// until a policy shows an unlock or an hour has passed. Stored, so a restart keeps it; read from
// the standard user defaults and the current clock at each call.
class MacUnlockRequestState final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool isPending READ isPending NOTIFY changed)

public:
    static inline const QString storageKey = QStringLiteral("vtl_unlock_request_sent_at");
    static constexpr qint64 waitSeconds = 3600;

    static MacUnlockRequestState& shared();
    explicit MacUnlockRequestState(QObject* parent = nullptr);

    bool isPending() const;
    void markSent();
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
    QPointer<ScreenTimePolicyStore> m_watched;
};
