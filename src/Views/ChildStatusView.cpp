#include "Views/ChildStatusView.h"

#include "Models/L10n.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/Clock.h"
#include "Services/MacEyeRest.h"
#include "Services/MacEyeRestSettingsViewModel.h"
#include "Services/MacLockEnforcement.h"
#include "Services/MacUnlockRequestState.h"
#include "Services/MacUsageMonitorService.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QFrame* card(const QString& title, QVBoxLayout*& body)
{
    auto* frame = new QFrame;
    frame->setObjectName(u"card"_s);
    body = new QVBoxLayout(frame);
    if (!title.isEmpty()) {
        auto* heading = new QLabel(title);
        QFont font = heading->font();
        font.setBold(true);
        heading->setFont(font);
        body->addWidget(heading);
    }
    return frame;
}

} // namespace

ChildStatusView::ChildStatusView(ScreenTimePolicyStore& policyStore, RemoteBackendConfig& backendConfig,
                                 const MacUsageMonitorService& usageMonitor,
                                 const MacUnlockRequestState& unlockRequests,
                                 std::function<void()> onAppSelection,
                                 std::function<void()> onEyeRestSettings, QWidget* parent)
    : QWidget(parent)
    , m_policyStore(policyStore)
    , m_monitor(usageMonitor)
    , m_unlockRequests(unlockRequests)
{
    Q_UNUSED(backendConfig)
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    QVBoxLayout* body = nullptr;
    layout->addWidget(card(L10n::localized("本机当前规则"), body));
    m_limit = new QLabel;
    m_limit->setObjectName(u"dailyLimitText"_s);
    body->addWidget(m_limit);
    m_eyeRest = new QLabel;
    m_eyeRest->setObjectName(u"eyeRestText"_s);
    body->addWidget(m_eyeRest);
    if (onEyeRestSettings) {
        auto* eyeRest = new QPushButton(L10n::localized("视力保护设置"));
        eyeRest->setObjectName(u"eyeRestSettingsButton"_s);
        body->addWidget(eyeRest, 0, Qt::AlignLeft);
        connect(eyeRest, &QPushButton::clicked, this, [onEyeRestSettings] { onEyeRestSettings(); });
    }

    layout->addWidget(card(QString(), body));
    m_used = new QLabel;
    m_used->setObjectName(u"todayUsageText"_s);
    body->addWidget(m_used);
    m_break = new QLabel;
    m_break->setObjectName(u"eyeRestBreakText"_s);
    m_break->setProperty("role", u"rest"_s);
    m_break->setWordWrap(true);
    body->addWidget(m_break);
    m_requestPending = new QLabel(L10n::localized("解锁申请已发出，正在等待家长处理"));
    m_requestPending->setObjectName(u"unlockRequestPendingText"_s);
    m_requestPending->setProperty("role", u"accent"_s);
    m_requestPending->setWordWrap(true);
    body->addWidget(m_requestPending);
    auto* note = new QLabel(L10n::localized("今日用量说明（不含休息）"));
    note->setProperty("role", u"note"_s);
    note->setWordWrap(true);
    body->addWidget(note);
    auto* adjust = new QPushButton(L10n::localized("调整规则"));
    adjust->setObjectName(u"adjustRulesButton"_s);
    body->addWidget(adjust, 0, Qt::AlignLeft);
    connect(adjust, &QPushButton::clicked, this, [onAppSelection] {
        if (onAppSelection) {
            onAppSelection();
        }
    });
    connect(&policyStore, &ScreenTimePolicyStore::policyChanged, this, &ChildStatusView::refresh);
    connect(&usageMonitor, &MacUsageMonitorService::todayUsageMinutesChanged, this,
            &ChildStatusView::refresh);
    connect(&unlockRequests, &MacUnlockRequestState::changed, this, &ChildStatusView::refresh);
    m_tick.setInterval(10'000);
    connect(&m_tick, &QTimer::timeout, this, &ChildStatusView::refresh);
    m_tick.start();
    refresh();
}

void ChildStatusView::refresh()
{
    m_limit->setText(
        L10n::format(L10n::localized("每日上限：%d 分钟"), { m_policyStore.policy().dailyLimitMinutes }));
    m_used->setText(L10n::format(L10n::localized("今日已用：%d 分钟"), { m_monitor.todayUsageMinutes() }));
    m_requestPending->setVisible(m_unlockRequests.isPending());

    const auto policy = m_policyStore.policy();
    m_eyeRest->setText(
        MacEyeRestSettingsViewModel::summary(policy.eyeRestIntervalMinutes, policy.eyeRestRestMinutes));
    const auto& clock = Clock::current();
    std::optional<qint64> breakLeft;
    if (MacLockEnforcement::decide(policy, m_monitor, clock).reason
        == MacPolicyExecutor::LockReason::eyeRest) {
        breakLeft = MacEyeRest::secondsOfBreakLeft(
            policy, { m_monitor.continuousUseSeconds(), m_monitor.lastCountedAt() },
            MacLockEnforcement::trustedNow(m_monitor, clock));
    }
    m_break->setText(breakLeft ? MacEyeRest::breakStatusText(policy, *breakLeft) : QString());
    m_break->setVisible(breakLeft.has_value());
}
