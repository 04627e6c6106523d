#include "Services/ContentViewModel.h"

#include "Models/L10n.h"
#include "Models/MacAppSelectionStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/Clock.h"
#include "Services/MacLockOverlayTarget.h"
#include "Services/MacPolicyExecutor.h"
#include "Services/MacRemotePolicySyncService.h"
#include "Services/MacUnlockRequestState.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/UserFriendlyMessage.h"

#include <exception>

using namespace Qt::StringLiterals;

namespace {

const QString pendingStatus = u"pending"_s;

QString roleText(RemoteDeviceRole role)
{
    switch (role) {
    case RemoteDeviceRole::parent:
        return L10n::localized("家长设备");
    case RemoteDeviceRole::child:
        return L10n::localized("孩子设备");
    case RemoteDeviceRole::unknown:
        break;
    }
    return L10n::localized("未选择");
}

} // namespace

ContentViewModel::ContentViewModel(MacLockOverlayTarget& overlay, MacUnlockRequestState& unlockRequests,
                                   std::function<qint64()> todayUsageMinutes, QObject* parent)
    : QObject(parent)
    , m_overlay(overlay)
    , m_unlockRequests(unlockRequests)
    , m_todayUsageMinutes(std::move(todayUsageMinutes))
{
}

void ContentViewModel::setLists(const QList<DeviceListItem>& devices, const QList<UnlockRequest>& requests)
{
    m_childDevices = devices;
    m_homePendingUnlockRequests = requests;
    emit childDevicesChanged();
    emit homePendingUnlockRequestsChanged();
}

QCoro::Task<> ContentViewModel::refreshChildDevicesForHome(RemoteBackendConfig& backendConfig)
{
    const auto client = RemoteAPIClient::make(backendConfig);
    const QString code = backendConfig.familyCode();
    if (!client || code.isEmpty()) {
        co_return;
    }
    setLoading(true);
    setChildDevicesError(std::nullopt);

    // Both requests are under way before either is awaited, and both are awaited before a list
    // changes, so the screen never shows devices of one answer next to requests of another.
    auto devicesTask = client->fetchDevices(code);
    auto requestsTask = client->fetchUnlockRequests(code, pendingStatus);
    QList<DeviceListItem> devices;
    QList<UnlockRequest> requests;
    std::exception_ptr failure;
    try {
        devices = co_await devicesTask;
    } catch (...) {
        failure = std::current_exception();
    }
    try {
        requests = co_await requestsTask;
    } catch (...) {
        if (!failure) {
            failure = std::current_exception();
        }
    }
    if (failure) {
        setChildDevicesError(userFriendlyMessage(failure));
        setLists({}, {});
    } else {
        setLists(devices, requests);
    }
    setLoading(false);
}

bool ContentViewModel::hasPendingUnlockRequest(const QString& deviceId) const
{
    return std::any_of(m_homePendingUnlockRequests.cbegin(), m_homePendingUnlockRequests.cend(),
                       [&](const UnlockRequest& request) { return request.childDeviceId == deviceId; });
}

QCoro::Task<> ContentViewModel::handleUnlockRequest(RemoteBackendConfig& backendConfig)
{
    const auto client = RemoteAPIClient::make(backendConfig);
    if (!client) {
        m_unlockRequestMessage = L10n::localized("尚未完成远程绑定，无法向家长申请解锁。");
        emit unlockRequestMessageChanged();
        setShowingUnlockRequestAlert(true);
        co_return;
    }
    QString message;
    try {
        auto task = client->requestUnlock(backendConfig.deviceID(), std::nullopt, std::nullopt);
        co_await task;
        message = L10n::localized("已向家长发出解锁申请");
        m_unlockRequests.markSent();
    } catch (...) {
        message = userFriendlyMessage(std::current_exception());
    }
    m_unlockRequestMessage = message;
    emit unlockRequestMessageChanged();
    setShowingUnlockRequestAlert(true);
}

QCoro::Task<> ContentViewModel::handleLocalUnlock(ScreenTimePolicyStore& policyStore,
                                                  MacAppSelectionStore& appSelectionStore,
                                                  RemoteBackendConfig& backendConfig)
{
    const QDateTime now = Clock::current().now();
    QDateTime until = now.addSecs(qint64(localUnlockMinutes) * 60);
    if (!until.isValid()) {
        until = now;
    }
    policyStore.update([&](ScreenTimePolicy& policy) {
        policy.forceLocked = false;
        policy.unlockUntil = until;
    });
    MacRemotePolicySyncService::setLocalUnlockUntil(until);
    const ScreenTimePolicy policy = policyStore.policy();
    m_overlay.hide();
    if (appSelectionStore.hasSelection()) {
        const qint64 minutes = m_todayUsageMinutes();
        if (!MacPolicyExecutor::shouldBeLocked(policy, minutes).locked) {
            m_overlay.hide();
        }
    }
    const auto client = RemoteAPIClient::make(backendConfig);
    if (!client) {
        co_return;
    }
    const QString deviceID = backendConfig.deviceID();
    const QVariantMap selection = appSelectionStore.toSelectionPayload();
    try {
        auto task = client->upsertPolicy(deviceID, policy, selection);
        co_await task;
    } catch (...) {
        // The local unlock stands; the next synchronisation carries the policy anyway.
    }
}

QCoro::Task<> ContentViewModel::saveRenamedChildDevice(DeviceListItem device, QString draft,
                                                       RemoteBackendConfig& backendConfig)
{
    const QString name = draft.trimmed();
    if (name.isEmpty()) {
        co_return;
    }
    const auto client = RemoteAPIClient::make(backendConfig);
    const QString code = backendConfig.familyCode();
    if (!client || code.isEmpty()) {
        co_return;
    }
    try {
        auto task = client->patchChildDeviceDisplayName(device.id, code, name);
        co_await task;
    } catch (...) {
        setChildDevicesError(userFriendlyMessage(std::current_exception()));
        co_return;
    }
    auto refresh = refreshChildDevicesForHome(backendConfig);
    co_await refresh;
    setDevicePendingRename(std::nullopt);
}

void ContentViewModel::registerHiddenTap(const RemoteBackendConfig& backendConfig,
                                         const MacAppSelectionStore& appSelectionStore)
{
    const QDateTime now = Clock::current().now();
    int count = m_hiddenTapCount;
    if (m_lastHiddenTapTime && m_lastHiddenTapTime->msecsTo(now) > hiddenTapWindowMs) {
        count = 0;
    }
    m_lastHiddenTapTime = now;
    setHiddenTapCount(count + 1);
    if (m_hiddenTapCount == 5) {
        runDiagnostics(backendConfig, appSelectionStore);
    }
}

void ContentViewModel::runDiagnostics(const RemoteBackendConfig& backendConfig,
                                      const MacAppSelectionStore& appSelectionStore)
{
    setHiddenTapCount(0);
    m_lastHiddenTapTime.reset();

    QStringList issues;
    switch (backendConfig.role()) {
    case RemoteDeviceRole::unknown:
        issues << L10n::localized(
            "当前设备尚未选择角色，请在「身份 / 基础设置」中选择是家长设备还是孩子设备。");
        break;
    case RemoteDeviceRole::child:
        if (!backendConfig.isBoundToBackend()) {
            issues << L10n::localized("孩子设备尚未绑定远程后端，请在「身份 / 基础设置」中加入家庭。");
        }
        if (!appSelectionStore.hasSelection()) {
            issues << L10n::localized("尚未选择受管控的应用，请在「调整规则」中完成一次受控应用选择。");
        }
        break;
    case RemoteDeviceRole::parent:
        if (!RemoteAPIClient::make(backendConfig)) {
            issues << L10n::localized("后端服务地址不合法或未配置，家长端无法连接远程控制后端。");
        }
        if (backendConfig.familyCode().isEmpty()) {
            issues << L10n::localized(
                "尚未创建或恢复家庭，请在「身份 / 基础设置」中创建家庭或输入已有家庭码。");
        }
        break;
    }

    QString message;
    if (issues.isEmpty()) {
        const QString code = backendConfig.familyCode();
        message = L10n::format(
            L10n::localized("检查完成：当前配置看起来正常。\n\n设备角色：%@\n家庭码：%@\n远程绑定：%@"),
            { roleText(backendConfig.role()), code.isEmpty() ? L10n::localized("未配置") : code,
              backendConfig.isBoundToBackend() ? L10n::localized("已绑定") : L10n::localized("未绑定") });
    } else {
        QStringList lines;
        for (qsizetype i = 0; i < issues.size(); ++i) {
            lines << u"%1. %2"_s.arg(i + 1).arg(issues.at(i));
        }
        message = L10n::format(L10n::localized("检查完成：发现以下可能影响正常使用的问题——\n\n%@"),
                               { lines.join(u'\n') });
    }
    m_diagnosticsMessage = message;
    emit diagnosticsMessageChanged();
    setDiagnosticsVisible(true);
}
