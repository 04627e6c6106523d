#include "Services/MacChildRuleSettingsViewModel.h"

#include "Models/EnumNames.h"
#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Platform/Clock.h"
#include "Platform/Workspace.h"
#include "Services/ChildGuardState.h"
#include "Services/Network/RemoteAPIClient.h"

#include <QLocale>
#include <QPointer>

using namespace Qt::StringLiterals;

namespace {

QString enforcementModeText(EnforcementMode mode)
{
    switch (mode) {
    case EnforcementMode::x11:
        return L10n::localized("运行方式：X11");
    case EnforcementMode::gnomeExtension:
        return L10n::localized("运行方式：GNOME 扩展");
    case EnforcementMode::wlroots:
        return L10n::localized("运行方式：wlroots");
    case EnforcementMode::kwin:
        return L10n::localized("运行方式：KWin 脚本");
    case EnforcementMode::processOnly:
        return L10n::localized("运行方式：仅进程");
    }
    return {};
}

} // namespace

MacChildRuleSettingsViewModel::MacChildRuleSettingsViewModel(DeviceListItem device,
                                                             RemoteBackendConfig& config, QObject* parent)
    : QObject(parent)
    , m_device(std::move(device))
    , m_config(config)
{
}

MacChildRuleSettingsViewModel::~MacChildRuleSettingsViewModel() = default;

ScreenTimePolicy MacChildRuleSettingsViewModel::initialPolicy()
{
    ScreenTimePolicy policy;
    policy.dailyLimitMinutes = 120;
    policy.forceLocked = false;
    policy.unlockUntil.reset();
    policy.eyeRestIntervalMinutes = 45;
    policy.eyeRestRestMinutes = 15;
    return policy;
}

QString MacChildRuleSettingsViewModel::title() const
{
    return L10n::format(L10n::localized("%@ · 规则设置"), { m_device.name });
}

void MacChildRuleSettingsViewModel::setDailyLimitText(const QString& text)
{
    bool ok = false;
    qint64 minutes = QLocale().toLongLong(text.trimmed(), &ok);
    if (!ok) {
        minutes = QLocale::c().toLongLong(text.trimmed(), &ok);
    }
    if (ok && minutes >= 0 && minutes <= maxDailyLimitMinutes) {
        m_dailyLimitError.reset();
        setDailyLimitMinutes(minutes);
        return;
    }
    m_dailyLimitError = L10n::format(L10n::localized("请输入 0 到 %d 之间的整数"), { maxDailyLimitMinutes });
    emit changed();
}

std::optional<QDateTime> MacChildRuleSettingsViewModel::runningUnlockUntil() const
{
    const auto& until = m_workingPolicy.unlockUntil;
    if (!until || !until->isValid() || *until <= Clock::current().now()) {
        return std::nullopt;
    }
    return until;
}

std::optional<QString> MacChildRuleSettingsViewModel::runningUnlockText() const
{
    const auto until = runningUnlockUntil();
    if (!until) {
        return std::nullopt;
    }
    const QString time = until->toTimeZone(Clock::current().timeZone()).toString(u"HH:mm"_s);
    return L10n::format(L10n::localized("临时解锁至 %@"), { time });
}

QCoro::Task<> MacChildRuleSettingsViewModel::endTemporaryUnlock()
{
    if (m_isSaving) {
        co_return;
    }
    const auto previous = m_workingPolicy.unlockUntil;
    m_workingPolicy.unlockUntil.reset();
    QPointer<MacChildRuleSettingsViewModel> self(this);
    auto task = upload();
    const bool stored = co_await task;
    if (self && !stored) {
        m_workingPolicy.unlockUntil = previous;
        emit changed();
    }
}

void MacChildRuleSettingsViewModel::setForceLocked(bool locked)
{
    if (locked && !m_workingPolicy.forceLocked) {
        m_workingPolicy.unlockUntil.reset();
    }
    m_workingPolicy.forceLocked = locked;
    emit changed();
}

QCoro::Task<> MacChildRuleSettingsViewModel::appear()
{
    m_config.setSelectedChildDeviceID(m_device.id);
    QPointer<MacChildRuleSettingsViewModel> self(this);
    auto loading = load();
    co_await loading;
    if (!self) {
        co_return;
    }
    auto health = loadHealthSnapshot();
    co_await health;
}

void MacChildRuleSettingsViewModel::disappear()
{
    if (m_config.selectedChildDeviceID() == m_device.id) {
        m_config.setSelectedChildDeviceID(QString());
    }
}

QCoro::Task<> MacChildRuleSettingsViewModel::load()
{
    const auto client = RemoteAPIClient::make(m_config);
    if (!client) {
        m_errorMessage = L10n::localized("服务地址不合法");
        m_isLoading = false;
        emit changed();
        co_return;
    }
    auto busy = ViewModelSupport::runBusy(
        this, { &MacChildRuleSettingsViewModel::setLoading, &MacChildRuleSettingsViewModel::setError },
        &MacChildRuleSettingsViewModel::loadWith, *client);
    co_await busy;
}

QCoro::Task<> MacChildRuleSettingsViewModel::loadWith(const RemoteAPIClient& client)
{
    QPointer<MacChildRuleSettingsViewModel> self(this);
    // Reading the policy does not retry by itself; this screen gives a dropped connection one
    // more chance.
    auto task = RemoteAPIClient::retryingOnceOnTransientError<DevicePolicyResponse>(
        [client, id = m_device.id] { return client.fetchPolicy(id); });
    const auto response = co_await task;
    if (!self) {
        co_return;
    }
    const auto& payload = response.policy;
    ScreenTimePolicy policy = initialPolicy();
    policy.dailyLimitMinutes = payload.dailyLimitMinutes;
    policy.blockedStart = { payload.blockedStart.hour, payload.blockedStart.minute };
    policy.blockedEnd = { payload.blockedEnd.hour, payload.blockedEnd.minute };
    policy.forceLocked = payload.forceLocked.value_or(false);
    policy.unlockUntil = payload.unlockUntil;
    m_workingPolicy = policy;
}

QCoro::Task<> MacChildRuleSettingsViewModel::loadHealthSnapshot()
{
    const auto client = RemoteAPIClient::make(m_config);
    const QString familyCode = m_config.familyCode();
    if (!client || familyCode.isEmpty()) {
        co_return;
    }
    QPointer<MacChildRuleSettingsViewModel> self(this);
    std::optional<QString> summary;
    try {
        auto task = client->getDeviceHealth(m_device.id, familyCode);
        const auto snapshot = co_await task;
        const auto guard = ChildGuardState::fromRawValue(snapshot.guardState.value_or(QString()));
        if (!snapshot.reported) {
            summary = L10n::localized("设备健康尚未上报");
        } else if (guard == ChildGuardState::State::unavailable) {
            summary = L10n::localized("设备监管状态：这台电脑无法安装孩子守护（缺少 pkexec 或 polkit）");
        } else if (guard == ChildGuardState::State::notInstalled) {
            summary = L10n::localized("设备监管状态：孩子守护未安装，需在孩子电脑上由管理员授权");
        } else if (guard == ChildGuardState::State::stopped) {
            summary = L10n::localized("设备监管状态：孩子守护已安装，但没有运行");
        } else if (snapshot.supervisionReady.value_or(false)) {
            summary = L10n::localized("设备监管状态：就绪");
        } else {
            summary = L10n::localized("设备监管状态：存在未就绪项");
        }
        if (const auto mode = enumFromName<EnforcementMode>(snapshot.enforcementMode.value_or(QString()));
            snapshot.reported && mode) {
            // A line of its own: the guard's sentence has no closing stop to run on from.
            *summary += u'\n' + enforcementModeText(*mode);
        }
        if (snapshot.reported && snapshot.settingsChanged.value_or(false)) {
            // Someone edited the child's settings by hand; the server's word has been restored.
            *summary += u' ' + L10n::localized("孩子电脑上的设置被改动过");
        }
    } catch (const std::exception&) {
        // The health line is a convenience: without it the screen simply shows none.
    }
    if (self) {
        m_healthSummary = summary;
        emit changed();
    }
}

QCoro::Task<> MacChildRuleSettingsViewModel::save()
{
    if (!canSave()) {
        co_return;
    }
    QPointer<MacChildRuleSettingsViewModel> self(this);
    auto task = upload();
    const bool saved = co_await task;
    if (self && saved) {
        emit dismissRequested();
    }
}

QCoro::Task<bool> MacChildRuleSettingsViewModel::upload()
{
    const auto client = RemoteAPIClient::make(m_config);
    if (!client) {
        setError(L10n::localized("服务地址不合法"));
        co_return false;
    }
    auto busy = ViewModelSupport::runBusy(this, savingDisplay(), &MacChildRuleSettingsViewModel::uploadWith,
                                          *client);
    co_return co_await busy;
}

QCoro::Task<> MacChildRuleSettingsViewModel::uploadWith(const RemoteAPIClient& client)
{
    auto task = client.upsertPolicy(m_device.id, m_workingPolicy, {});
    co_await task;
}

QCoro::Task<> MacChildRuleSettingsViewModel::applyToOtherChildren()
{
    const auto client = RemoteAPIClient::make(m_config);
    const QString familyCode = m_config.familyCode();
    if (!client || familyCode.isEmpty()) {
        co_return;
    }
    auto busy = ViewModelSupport::runBusy(
        this, savingDisplay(), &MacChildRuleSettingsViewModel::applyToOtherChildrenWith, *client, familyCode);
    co_await busy;
}

QCoro::Task<> MacChildRuleSettingsViewModel::applyToOtherChildrenWith(const RemoteAPIClient& client,
                                                                      QString familyCode)
{
    QPointer<MacChildRuleSettingsViewModel> self(this);
    // Locking another child at once is a decision about that child alone.
    ScreenTimePolicy copied = m_workingPolicy;
    copied.forceLocked = false;
    const QString ownID = m_device.id;
    auto devicesTask = client.fetchDevices(familyCode);
    const auto devices = co_await devicesTask;
    QList<DeviceListItem> targets;
    for (const auto& device : devices) {
        if (device.role == u"child"_s && device.id != ownID) {
            targets.append(device);
        }
    }
    for (const auto& target : targets) {
        auto upsert = client.upsertPolicy(target.id, copied, {});
        co_await upsert;
    }
    if (!self) {
        co_return;
    }
    // The outcome takes the message line, where a failure would be told.
    if (targets.isEmpty()) {
        setError(L10n::localized("没有其他孩子设备"));
    } else {
        setError(targets.size() == 1
                     ? L10n::localized("已用到另外 1 个孩子。立即锁定不会一起复制。")
                     : L10n::format(L10n::localized("已用到另外 %d 个孩子。立即锁定不会一起复制。"),
                                    { qint64(targets.size()) }));
    }
}

QCoro::Task<> MacChildRuleSettingsViewModel::deleteChild()
{
    const auto client = RemoteAPIClient::make(m_config);
    const QString familyCode = m_config.familyCode();
    if (!client || familyCode.isEmpty()) {
        co_return;
    }
    QPointer<MacChildRuleSettingsViewModel> self(this);
    try {
        auto task = client->deleteDevice(m_device.id, familyCode);
        co_await task;
    } catch (const std::exception& error) {
        if (self) {
            setError(userFriendlyMessage(error));
        }
        co_return;
    }
    if (!self) {
        co_return;
    }
    if (m_config.selectedChildDeviceID() == m_device.id) {
        m_config.setSelectedChildDeviceID(QString());
    }
    emit dismissRequested();
}

QList<int> MacChildRuleSettingsViewModel::hourChoices()
{
    QList<int> hours;
    for (int hour = 0; hour < 24; ++hour) {
        hours.append(hour);
    }
    return hours;
}

QList<int> MacChildRuleSettingsViewModel::minuteChoices()
{
    return { 0, 15, 30, 45 };
}

int MacChildRuleSettingsViewModel::hourIndex(const DateComponents& components)
{
    return int(hourChoices().indexOf(int(components.hour.value_or(0))));
}

int MacChildRuleSettingsViewModel::minuteIndex(const DateComponents& components)
{
    return int(minuteChoices().indexOf(int(components.minute.value_or(0))));
}

DateComponents MacChildRuleSettingsViewModel::withHour(DateComponents components, int hour)
{
    components.hour = hour;
    return components;
}

DateComponents MacChildRuleSettingsViewModel::withMinute(DateComponents components, int minute)
{
    components.minute = minute;
    return components;
}
