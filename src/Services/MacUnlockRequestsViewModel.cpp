#include "Services/MacUnlockRequestsViewModel.h"

#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Services/Network/UserFriendlyMessage.h"

#include <QPointer>
#include <QUrl>

using namespace Qt::StringLiterals;

MacUnlockRequestsViewModel::MacUnlockRequestsViewModel(RemoteBackendConfig& config,
                                                       std::optional<QString> filterDeviceId, QObject* parent)
    : QObject(parent)
    , m_config(config)
    , m_filterDeviceId(std::move(filterDeviceId))
{
}

QList<UnlockRequest> MacUnlockRequestsViewModel::visibleRequests() const
{
    if (!m_filterDeviceId) {
        return m_requests;
    }
    QList<UnlockRequest> visible;
    for (const auto& request : m_requests) {
        if (request.childDeviceId == *m_filterDeviceId) {
            visible.append(request);
        }
    }
    return visible;
}

QString MacUnlockRequestsViewModel::deviceLine(const UnlockRequest& request) const
{
    return L10n::format(L10n::localized("设备：%@"),
                        { m_deviceNameMap.value(request.childDeviceId, request.childDeviceId) });
}

std::optional<QString> MacUnlockRequestsViewModel::reasonLine(const UnlockRequest& request) const
{
    if (!request.reason || request.reason->isEmpty()) {
        return std::nullopt;
    }
    return L10n::format(L10n::localized("原因：%@"), { *request.reason });
}

std::optional<QString> MacUnlockRequestsViewModel::requestedMinutesLine(const UnlockRequest& request) const
{
    if (!request.requestedMinutes || *request.requestedMinutes < 1) {
        return std::nullopt;
    }
    if (*request.requestedMinutes == 1) {
        return L10n::localized("申请延长：1 分钟");
    }
    return L10n::format(L10n::localized("申请延长：%d 分钟"), { *request.requestedMinutes });
}

QString MacUnlockRequestsViewModel::sheetDeviceLine() const
{
    if (!m_pendingRequest) {
        return {};
    }
    const auto id = m_pendingRequest->childDeviceId;
    const auto name = m_deviceNameMap.constFind(id);
    if (name == m_deviceNameMap.constEnd()) {
        return id;
    }
    return L10n::localized("设备：") + *name;
}

QCoro::Task<> MacUnlockRequestsViewModel::load()
{
    const bool configured = m_config.role() == RemoteDeviceRole::parent
        && QUrl(m_config.baseURLString(), QUrl::StrictMode).isValid() && !m_config.familyCode().isEmpty();
    const auto client = configured ? RemoteAPIClient::make(m_config) : std::nullopt;
    if (!client) {
        setError(L10n::localized("远程配置未完成，无法加载解锁申请。"));
        co_return;
    }
    auto busy = ViewModelSupport::runBusy(
        this, { &MacUnlockRequestsViewModel::setLoading, &MacUnlockRequestsViewModel::setError },
        &MacUnlockRequestsViewModel::loadWith, *client, m_config.familyCode());
    co_await busy;
}

QCoro::Task<> MacUnlockRequestsViewModel::loadWith(const RemoteAPIClient& client, QString familyCode)
{
    QPointer<MacUnlockRequestsViewModel> self(this);
    auto requestsTask = client.fetchUnlockRequests(familyCode, u"pending"_s);
    auto requests = co_await requestsTask;
    if (!self) {
        co_return;
    }
    m_requests = std::move(requests);
    emit changed();

    auto devicesTask = client.fetchDevices(familyCode);
    const auto devices = co_await devicesTask;
    if (!self) {
        co_return;
    }
    // A repeated id keeps the name listed first.
    QHash<QString, QString> names;
    for (const auto& device : devices) {
        names.insert(device.id, names.value(device.id, device.name));
    }
    m_deviceNameMap = std::move(names);
}

QCoro::Task<> MacUnlockRequestsViewModel::decide(UnlockRequest request, QString action,
                                                 std::optional<qint64> extendMinutesOverride)
{
    const auto client = RemoteAPIClient::make(m_config);
    if (!client) {
        co_return;
    }
    std::optional<qint64> extendMinutes;
    if (action == u"approve"_s) {
        extendMinutes = extendMinutesOverride.value_or(defaultExtendMinutes);
    }
    QPointer<MacUnlockRequestsViewModel> self(this);
    bool decided = false;
    try {
        auto task = client->decideUnlockRequest(request.id, action, extendMinutes);
        co_await task;
        decided = true;
    } catch (const std::exception& error) {
        if (self) {
            setError(userFriendlyMessage(error));
        }
    }
    if (decided && self) {
        auto reload = load();
        co_await reload;
    }
}

void MacUnlockRequestsViewModel::beginApproval(const UnlockRequest& request)
{
    m_pendingRequest = request;
    m_extendMinutesInput = request.requestedMinutes ? QString::number(*request.requestedMinutes)
                                                    : QString::number(defaultExtendMinutes);
    m_isShowingExtendSheet = true;
    emit changed();
}

void MacUnlockRequestsViewModel::cancelApproval()
{
    m_isShowingExtendSheet = false;
    m_pendingRequest.reset();
    emit changed();
}

QCoro::Task<> MacUnlockRequestsViewModel::confirmApproval()
{
    const qint64 minutes = extendMinutes(m_extendMinutesInput);
    QPointer<MacUnlockRequestsViewModel> self(this);
    if (m_pendingRequest) {
        auto task = decide(*m_pendingRequest, u"approve"_s, minutes);
        co_await task;
    }
    if (self) {
        cancelApproval();
    }
}

qint64 MacUnlockRequestsViewModel::extendMinutes(const QString& input)
{
    qsizetype begin = 0;
    qsizetype end = input.size();
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && isBlank(input.at(begin))) {
        ++begin;
    }
    while (end > begin && isBlank(input.at(end - 1))) {
        --end;
    }
    const QStringView text = QStringView(input).mid(begin, end - begin);

    qint64 minutes = defaultExtendMinutes;
    qsizetype digitsFrom = (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) ? 1 : 0;
    bool wellFormed = text.size() > digitsFrom;
    for (qsizetype i = digitsFrom; wellFormed && i < text.size(); ++i) {
        wellFormed = text.at(i) >= u'0' && text.at(i) <= u'9';
    }
    if (wellFormed) {
        bool fits = false;
        // toLongLong takes the sign itself but also white space, which is why the digits were
        // checked above.
        const qint64 parsed = text.toLongLong(&fits, 10);
        if (fits) {
            minutes = parsed;
        }
    }
    return std::clamp<qint64>(minutes, 0, maximumExtendMinutes);
}
