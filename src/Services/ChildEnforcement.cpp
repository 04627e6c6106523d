#include "Services/ChildEnforcement.h"

#include "Models/MacAppSelectionStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/UserDefaults.h"
#include "Services/MacLocalLockGuard.h"
#include "Services/MacLockOverlayTarget.h"
#include "Services/MacRemotePolicySyncService.h"
#include "Services/MacUsageMonitorService.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/RemoteAPIError.h"
#include "Services/ShortenedPeriod.h"

#include <QCoroTimer>
#include <QScopeGuard>
#include <QTimer>

using namespace Qt::StringLiterals;

ChildEnforcement::ChildEnforcement(RemoteBackendConfig& backendConfig, ScreenTimePolicyStore& policyStore,
                                   MacAppSelectionStore& appSelectionStore,
                                   MacUsageMonitorService& usageMonitor, MacLockOverlayTarget& overlay,
                                   HostPlatform platform, UserDefaults& defaults, const Clock& clock,
                                   QObject* parent)
    : QObject(parent)
    , m_config(backendConfig)
    , m_policyStore(policyStore)
    , m_selectionStore(appSelectionStore)
    , m_monitor(usageMonitor)
    , m_defaults(defaults)
    , m_clock(clock)
    , m_overlay(overlay)
    , m_platform(platform)
{
}

ChildEnforcement::~ChildEnforcement()
{
    // The monitor and the overlay were made before this owner and outlive it.
    if (m_enforcing) {
        end();
    }
}

void ChildEnforcement::setBannerPresenter(std::function<void(const QString&)> present)
{
    m_presentBanner = std::move(present);
    if (m_guard) {
        m_guard->presentBanner = m_presentBanner;
    }
}

void ChildEnforcement::start()
{
    if (m_started) {
        return;
    }
    m_started = true;
    m_followedDeviceID = m_config.deviceID();
    for (const auto signal :
         { &RemoteBackendConfig::roleChanged, &RemoteBackendConfig::deviceIDChanged,
           &RemoteBackendConfig::familyCodeChanged, &RemoteBackendConfig::baseURLOverrideChanged }) {
        connect(&m_config, signal, this, &ChildEnforcement::follow);
    }
    follow();
}

QString ChildEnforcement::bindingState() const
{
    return rawValue(m_config.role()) + u'|' + m_config.deviceID() + u'|' + m_config.familyCode() + u'|'
        + m_config.baseURLString();
}

void ChildEnforcement::follow()
{
    // Every assignment notifies, also of an unchanged value; only a real change restarts the loop.
    const QString state = bindingState();
    if (state == m_followed) {
        return;
    }
    m_followed = state;
    if (m_config.deviceID() != m_followedDeviceID) {
        // A new binding starts with a clean report.
        m_followedDeviceID = m_config.deviceID();
        m_defaults.removeObject(settingsChangedKey);
    }

    const bool enforce = m_config.role() == RemoteDeviceRole::child && m_config.isBoundToBackend();
    if (enforce && !m_enforcing) {
        begin();
    } else if (!enforce && m_enforcing) {
        end();
    }

    delete m_run;
    m_run = nullptr;
    const bool bound = m_config.isBoundToBackend() && !m_config.familyCode().isEmpty();
    if (enforce || bound) {
        // A fresh loop, so that a new binding is synchronised at once rather than a period later.
        m_run = new QObject(this);
        loop(this, m_run);
    }
}

void ChildEnforcement::begin()
{
    m_enforcing = true;
    delete m_guard;
    m_guard = new MacLocalLockGuard(m_config, m_policyStore, m_selectionStore, m_monitor, m_overlay,
                                    m_platform.notifications, m_defaults, m_clock, this);
    m_guard->presentBanner = m_presentBanner;
    m_guard->start();
    emit enforcingChanged();
}

void ChildEnforcement::end()
{
    m_enforcing = false;
    delete m_guard;
    m_guard = nullptr;
    m_monitor.stop();
    m_overlay.hide();
    emit enforcingChanged();
}

ChildEnforcement::ServerWord ChildEnforcement::judge(const QString& deviceID, RemoteDeviceRole localRole,
                                                     const QList<DeviceListItem>& devices)
{
    const auto entry = std::find_if(devices.cbegin(), devices.cend(),
                                    [&deviceID](const DeviceListItem& item) { return item.id == deviceID; });
    if (entry == devices.cend()) {
        return localRole == RemoteDeviceRole::child ? ServerWord::removed : ServerWord::unchanged;
    }
    // Only the weakening direction is corrected: a registered child that the file calls a parent
    // or undecided. A child registration kept by a real parent computer is cleared when its role
    // is switched in the wizard.
    if (entry->role == rawValue(RemoteDeviceRole::child) && localRole != RemoteDeviceRole::child) {
        return ServerWord::roleRestored;
    }
    return ServerWord::unchanged;
}

void ChildEnforcement::adopt(ServerWord word)
{
    switch (word) {
    case ServerWord::unchanged:
        return;
    case ServerWord::roleRestored:
        m_defaults.setBoolean(settingsChangedKey, true);
        m_config.setRole(RemoteDeviceRole::child);
        return;
    case ServerWord::removed:
        m_defaults.removeObject(settingsChangedKey);
        m_config.setDeviceID(QString());
        m_config.setFamilyCode(QString());
        m_config.setDeviceName(QString());
        emit deviceRemoved();
        return;
    }
}

QCoro::Task<> ChildEnforcement::askServer(QPointer<ChildEnforcement> self)
{
    const QString deviceID = self->m_config.deviceID();
    const QString familyCode = self->m_config.familyCode();
    const auto client = RemoteAPIClient::make(self->m_config);
    if (deviceID.isEmpty() || familyCode.isEmpty() || !client) {
        co_return;
    }
    // This computer's own record rather than the family's list, which a secured family shows to
    // parents only.
    QList<DeviceListItem> devices;
    try {
        auto fetch = client->fetchOwnDevice(deviceID, familyCode);
        devices.append(co_await fetch);
    } catch (const RemoteAPIError& error) {
        if (error.kind() != RemoteAPIError::Case::serverError
            || !error.message().contains(u"device not found"_s, Qt::CaseInsensitive)) {
            co_return;
        }
    } catch (...) {
        // Unreachable or refused: the stored role and rules stay in force.
        co_return;
    }
    // The binding may have changed while the list was on its way; it answers for the old one.
    if (!self || self->m_config.deviceID() != deviceID || self->m_config.familyCode() != familyCode) {
        co_return;
    }
    self->adopt(judge(deviceID, self->m_config.role(), devices));
}

namespace {
int g_liveLoops = 0;
} // namespace

int ChildEnforcement::liveLoops()
{
    return g_liveLoops;
}

QCoro::Task<> ChildEnforcement::loop(QPointer<ChildEnforcement> self, QPointer<QObject> run)
{
    ++g_liveLoops;
    const auto alive = qScopeGuard([] { --g_liveLoops; });
    const auto period = ShortenedPeriod::read(self->m_defaults, MacRemotePolicySyncService::pollingPeriodKey,
                                              MacRemotePolicySyncService::pollingPeriod());
    while (self && run) {
        auto ask = askServer(self);
        co_await ask;
        if (!self || !run) {
            co_return;
        }
        if (self->m_enforcing) {
            auto cycle = MacRemotePolicySyncService::syncIfChild(
                self->m_config, self->m_policyStore, self->m_selectionStore, self->m_monitor,
                self->m_platform.workspace, self->m_platform.bundle, &self->m_overlay,
                &self->m_platform.guardInstaller);
            co_await cycle;
        }
        if (!self || !run) {
            co_return;
        }
        // The pause ends early when the loop is no longer wanted, so that it never outlives its
        // owner by a whole period.
        QTimer pause;
        pause.setSingleShot(true);
        QObject::connect(run, &QObject::destroyed, &pause, [&pause] { pause.start(0); });
        pause.start(period);
        auto wait = qCoro(pause).waitForTimeout();
        co_await wait;
    }
}
