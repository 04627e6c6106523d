#include "Services/MacUnlockRequestState.h"

#include "Models/ScreenTimePolicyStore.h"
#include "Platform/Clock.h"
#include "Platform/UserDefaults.h"

#include <algorithm>
#include <cmath>

namespace {
std::optional<qint64> sentAtMs()
{
    const auto value = UserDefaults::standard().doubleValue(MacUnlockRequestState::storageKey);
    if (!value || !std::isfinite(*value) || std::abs(*value) > 1e14) {
        return std::nullopt;
    }
    return qint64(*value * 1000.0);
}
} // namespace

MacUnlockRequestState& MacUnlockRequestState::shared()
{
    static auto* instance = new MacUnlockRequestState;
    return *instance;
}

MacUnlockRequestState::MacUnlockRequestState(QObject* parent)
    : QObject(parent)
{
    m_expiry.setSingleShot(true);
    connect(&m_expiry, &QTimer::timeout, this, [this] {
        if (!isPending()) {
            clear();
        } else {
            armExpiry();
        }
    });
    armExpiry();
}

bool MacUnlockRequestState::isPending() const
{
    const auto sent = sentAtMs();
    if (!sent) {
        return false;
    }
    const qint64 now = Clock::current().now().toMSecsSinceEpoch();
    // A request "sent" in the future (a clock set back) still ends an hour after it was sent.
    return now < *sent + waitSeconds * 1000;
}

void MacUnlockRequestState::markSent()
{
    UserDefaults::standard().setDouble(storageKey,
                                       double(Clock::current().now().toMSecsSinceEpoch()) / 1000.0);
    armExpiry();
    emit changed();
}

void MacUnlockRequestState::noteUnlockIn(const ScreenTimePolicy& policy)
{
    if (sentAtMs() && policy.unlockUntil && Clock::current().now() < *policy.unlockUntil) {
        clear();
    }
}

void MacUnlockRequestState::watch(ScreenTimePolicyStore& policyStore)
{
    if (m_watched) {
        disconnect(m_watched, nullptr, this, nullptr);
    }
    m_watched = &policyStore;
    connect(&policyStore, &ScreenTimePolicyStore::policyChanged, this,
            [this, store = &policyStore] { noteUnlockIn(store->policy()); });
}

void MacUnlockRequestState::clear()
{
    if (!sentAtMs()) {
        return;
    }
    UserDefaults::standard().removeObject(storageKey);
    m_expiry.stop();
    emit changed();
}

void MacUnlockRequestState::armExpiry()
{
    m_expiry.stop();
    const auto sent = sentAtMs();
    if (!sent) {
        return;
    }
    const qint64 left = *sent + waitSeconds * 1000 - Clock::current().now().toMSecsSinceEpoch();
    // Re-checked at least once a minute, since the clock can be moved meanwhile.
    m_expiry.start(int(std::clamp<qint64>(left, 0, 60'000)));
}
