#pragma once

#include "Models/ScreenTimePolicy.h"
#include "Models/ScreenTimePolicyRepositoryProtocol.h"

#include <QObject>

#include <functional>
#include <memory>

// The observable owner of the current policy of a child computer.
class ScreenTimePolicyStore final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(ScreenTimePolicy policy READ policy WRITE setPolicy NOTIFY policyChanged)

public:
    explicit ScreenTimePolicyStore(std::unique_ptr<ScreenTimePolicyRepositoryProtocol> repository,
                                   QObject* parent = nullptr);

    ScreenTimePolicy policy() const { return m_policy; }
    // Replaces the policy and notifies observers, even when the value is unchanged. Does not
    // persist: callers that want the value to survive a restart save through repository().
    void setPolicy(const ScreenTimePolicy& policy);

    // Applies `modify` to a copy, assigns it (one notification) and saves it before returning.
    void update(const std::function<void(ScreenTimePolicy&)>& modify);

    ScreenTimePolicyRepositoryProtocol& repository() const { return *m_repository; }

signals:
    void policyChanged();

private:
    std::unique_ptr<ScreenTimePolicyRepositoryProtocol> m_repository;
    ScreenTimePolicy m_policy;
};
