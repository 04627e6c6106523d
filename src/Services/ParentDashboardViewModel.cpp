#include "Services/ParentDashboardViewModel.h"

#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/ShortenedPeriod.h"

#include <QPointer>
#include <QSet>
#include <QUrl>

using namespace Qt::StringLiterals;

ParentDashboardViewModel::ParentDashboardViewModel(RemoteBackendConfig& config, QObject* parent)
    : QObject(parent)
    , m_config(config)
    , m_watchPeriod(ShortenedPeriod::read(config.defaults(), watchPeriodKey, defaultWatchPeriod))
{
    m_watchTimer.setSingleShot(true);
    connect(&m_watchTimer, &QTimer::timeout, this, [this] { poll(m_generation); });
}

ParentDashboardViewModel::~ParentDashboardViewModel() = default;

QList<DeviceListItem> ParentDashboardViewModel::children() const
{
    QList<DeviceListItem> children;
    for (const auto& device : m_childDevices) {
        if (device.role == u"child"_s) {
            children.append(device);
        }
    }
    return children;
}

bool ParentDashboardViewModel::hasPendingUnlockRequest(const QString& deviceID) const
{
    return std::any_of(m_homePendingUnlockRequests.begin(), m_homePendingUnlockRequests.end(),
                       [&](const UnlockRequest& request) { return request.childDeviceId == deviceID; });
}

int ParentDashboardViewModel::childrenWithRequests(const QList<DeviceListItem>& devices,
                                                   const QList<UnlockRequest>& requests)
{
    QSet<QString> asking;
    for (const auto& request : requests) {
        asking.insert(request.childDeviceId);
    }
    return int(std::count_if(devices.begin(), devices.end(),
                             [&](const DeviceListItem& device) { return asking.contains(device.id); }));
}

QString ParentDashboardViewModel::statusHeadline() const
{
    const int count = childrenWithRequests(m_childDevices, m_homePendingUnlockRequests);
    if (count < 1) {
        return L10n::localized("孩子设备状态");
    }
    // The one-child text is its own entry so that languages with plural forms can say it.
    if (count == 1) {
        return L10n::localized("有 1 个孩子在申请加时");
    }
    return L10n::format(L10n::localized("有 %lld 个孩子在申请加时"), { count });
}

void ParentDashboardViewModel::startWatching()
{
    if (m_watching) {
        return;
    }
    m_watching = true;
    ++m_generation;
    m_lastCount = -1;
    emit watchingChanged();
    poll(m_generation);
}

void ParentDashboardViewModel::stopWatching()
{
    if (!m_watching) {
        return;
    }
    m_watching = false;
    ++m_generation;
    m_watchTimer.stop();
    emit watchingChanged();
}

QCoro::Task<> ParentDashboardViewModel::poll(quint64 generation)
{
    QPointer<ParentDashboardViewModel> self(this);
    struct InFlight
    {
        QPointer<ParentDashboardViewModel> model;
        explicit InFlight(ParentDashboardViewModel* m)
            : model(m)
        {
            ++model->m_pollsInFlight;
        }
        ~InFlight()
        {
            if (model) {
                --model->m_pollsInFlight;
            }
        }
    } inFlight(this);
    const QString familyCode = m_config.familyCode();
    // Made like every other client, so that it carries this computer's token: a secured family
    // lists its requests to parent tokens only.
    if (const auto client = RemoteAPIClient::make(m_config); client && !familyCode.isEmpty()) {
        std::optional<qint64> count;
        try {
            auto task = client->fetchUnlockRequests(familyCode, u"pending"_s);
            count = (co_await task).size();
        } catch (const std::exception&) {
            // A failed poll leaves the baseline as it was; the next one tries again.
        }
        if (!self || generation != m_generation) {
            co_return;
        }
        if (count) {
            const bool rose = m_lastCount >= 0 && m_lastCount < *count;
            const bool moved = m_lastCount >= 0 && m_lastCount != *count;
            m_lastCount = *count;
            emit watchPolled(*count);
            if (moved) {
                // The home lists show which child asks; they follow without a press on "刷新".
                emit refreshRequested();
            }
            if (rose && m_notify) {
                auto notify = m_notify(*count);
                co_await notify;
                if (!self || generation != m_generation) {
                    co_return;
                }
            }
        }
    }
    m_watchTimer.start(m_watchPeriod);
}
