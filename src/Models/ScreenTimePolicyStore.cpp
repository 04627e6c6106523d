#include "Models/ScreenTimePolicyStore.h"

ScreenTimePolicyStore::ScreenTimePolicyStore(std::unique_ptr<ScreenTimePolicyRepositoryProtocol> repository,
                                             QObject* parent)
    : QObject(parent)
    , m_repository(std::move(repository))
    , m_policy(m_repository->load())
{
}

void ScreenTimePolicyStore::setPolicy(const ScreenTimePolicy& policy)
{
    m_policy = policy;
    emit policyChanged();
}

void ScreenTimePolicyStore::update(const std::function<void(ScreenTimePolicy&)>& modify)
{
    auto copy = m_policy;
    modify(copy);
    setPolicy(copy);
    m_repository->save(copy);
}
