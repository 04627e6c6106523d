#include "Services/MacUnlockRequestState.h"

#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/Clock.h"
#include "Platform/UserDefaults.h"
#include "Protocol/UnlockRecords.h"
#include "Protocol/WireCoding.h"
#include "Services/Network/RemoteAPIClient.h"

#include <algorithm>
#include <cmath>

namespace {
std::optional<qint64> storedMs(const QString& key)
{
    const auto value = UserDefaults::standard().doubleValue(key);
    if (!value || !std::isfinite(*value) || std::abs(*value) > 1e14) {
        return std::nullopt;
    }
    return qint64(*value * 1000.0);
}

std::optional<qint64> sentAtMs()
{
    return storedMs(MacUnlockRequestState::storageKey);
}

bool withinTheWait(const std::optional<qint64>& since)
{
    if (!since) {
        return false;
    }
    const qint64 now = Clock::current().now().toMSecsSinceEpoch();
    // A moment in the future (a clock set back) still ends an hour after it.
    return now < *since + MacUnlockRequestState::waitSeconds * 1000;
}
} // namespace

MacUnlockRequestState::MacUnlockRequestState(QObject* parent)
    : QObject(parent)
{
    m_answers.setInterval(answerPeriod);
    connect(&m_answers, &QTimer::timeout, this, [this] {
        if (m_followed) {
            checkAnswers(*m_followed);
        }
    });
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
    return withinTheWait(sentAtMs());
}

bool MacUnlockRequestState::isRejected() const
{
    return withinTheWait(storedMs(rejectedKey));
}

void MacUnlockRequestState::noteAnswers(const QList<UnlockRequest>& ownRequests)
{
    if (!isPending() || ownRequests.isEmpty()) {
        return;
    }
    const auto newest = std::max_element(
        ownRequests.cbegin(), ownRequests.cend(), [](const UnlockRequest& a, const UnlockRequest& b) {
            return WireCoding::parseISO8601(a.createdAt).value_or(QDateTime())
                < WireCoding::parseISO8601(b.createdAt).value_or(QDateTime());
        });
    if (newest->status != QStringLiteral("rejected")) {
        return;
    }
    UserDefaults::standard().setDouble(rejectedKey,
                                       double(Clock::current().now().toMSecsSinceEpoch()) / 1000.0);
    UserDefaults::standard().removeObject(storageKey);
    m_expiry.stop();
    emit changed();
}

QCoro::Task<> MacUnlockRequestState::checkAnswers(RemoteBackendConfig& config)
{
    if (!isPending() || config.deviceID().isEmpty()) {
        co_return;
    }
    const auto client = RemoteAPIClient::make(config);
    if (!client) {
        co_return;
    }
    QPointer<MacUnlockRequestState> self(this);
    QList<UnlockRequest> requests;
    try {
        auto task = client->fetchDeviceUnlockRequests(config.deviceID());
        requests = co_await task;
    } catch (const std::exception&) {
        // The next period asks again; until then the request still counts as waiting.
        co_return;
    }
    if (self) {
        noteAnswers(requests);
    }
}

void MacUnlockRequestState::followAnswers(RemoteBackendConfig& config)
{
    m_followed = &config;
    if (!m_answers.isActive()) {
        m_answers.start();
    }
}

void MacUnlockRequestState::markSent()
{
    UserDefaults::standard().removeObject(rejectedKey);
    UserDefaults::standard().setDouble(storageKey,
                                       double(Clock::current().now().toMSecsSinceEpoch()) / 1000.0);
    armExpiry();
    emit changed();
}

void MacUnlockRequestState::noteUnlockIn(const ScreenTimePolicy& policy)
{
    if (policy.unlockUntil && Clock::current().now() < *policy.unlockUntil) {
        if (storedMs(rejectedKey)) {
            UserDefaults::standard().removeObject(rejectedKey);
            emit changed();
        }
        if (sentAtMs()) {
            clear();
        }
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
