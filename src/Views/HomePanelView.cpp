#include "Views/HomePanelView.h"

#include "Models/L10n.h"
#include "Models/MacAppSelectionStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Services/ContentViewModel.h"
#include "Services/ParentDashboardViewModel.h"
#include "Views/ChildStatusView.h"
#include "Views/MacParentUnlockNotifier.h"
#include "Views/ParentDashboardView.h"
#include "Views/SymbolIcon.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QFrame* makeCard()
{
    auto* frame = new QFrame;
    frame->setObjectName(u"card"_s);
    return frame;
}

QPushButton* actionButton(const QString& text, const char* symbol, const QString& name)
{
    auto* button = new QPushButton(SymbolIcon::icon(QString::fromUtf8(symbol)), text);
    button->setObjectName(name);
    button->setMinimumHeight(34);
    return button;
}

} // namespace

HomePanelView::HomePanelView(ContentViewModel& viewModel, ScreenTimePolicyStore& policyStore,
                             MacAppSelectionStore& appSelectionStore, RemoteBackendConfig& backendConfig,
                             const MacUsageMonitorService& usageMonitor,
                             const MacUnlockRequestState& unlockRequests, SystemNotifications& notifications,
                             Callbacks callbacks, QWidget* parent)
    : QWidget(parent)
    , m_viewModel(viewModel)
    , m_policyStore(policyStore)
    , m_appSelectionStore(appSelectionStore)
    , m_backendConfig(backendConfig)
    , m_callbacks(std::move(callbacks))
{
    setObjectName(u"homePanel"_s);
    auto* layout = new QVBoxLayout(this);

    // Header.
    m_header = new QWidget;
    m_header->setObjectName(u"homeHeader"_s);
    m_header->installEventFilter(this);
    auto* header = new QHBoxLayout(m_header);
    auto* shield = new QLabel;
    shield->setPixmap(SymbolIcon::pixmap(u"lock.shield.fill"_s, 36, QColor(0x1e, 0x88, 0xe5)));
    header->addWidget(shield);
    auto* titles = new QVBoxLayout;
    auto* appName = new QLabel(L10n::localized("岚哨"));
    appName->setObjectName(u"appName"_s);
    QFont font = appName->font();
    font.setPointSize(font.pointSize() + 6);
    font.setBold(true);
    appName->setFont(font);
    titles->addWidget(appName);
    auto* tagline = new QLabel(L10n::localized("守护孩子健康、视力与专注力"));
    tagline->setProperty("role", u"note"_s);
    titles->addWidget(tagline);
    header->addLayout(titles, 1);
    m_rolePill = new QLabel;
    m_rolePill->setObjectName(u"rolePill"_s);
    header->addWidget(m_rolePill, 0, Qt::AlignTop);
    for (QWidget* child : m_header->findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    layout->addWidget(m_header);

    // First use.
    m_firstUse = makeCard();
    m_firstUse->setObjectName(u"firstUseCard"_s);
    {
        auto* body = new QVBoxLayout(m_firstUse);
        auto* title = new QLabel(L10n::localized("首次使用？"));
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        body->addWidget(title);
        auto* text = new QLabel(L10n::localized(
            "请先点击「身份 / 基础设置」→ 选择本设备角色（家长 / 孩子）→ 完成绑定后再设置规则。"));
        text->setWordWrap(true);
        body->addWidget(text);
    }
    layout->addWidget(m_firstUse);

    // Parent: the dashboard, fed from the home screen's own lists so both show the same load.
    m_dashboardModel = new ParentDashboardViewModel(backendConfig);
    m_dashboardModel->setNotify(
        [&notifications](qint64 count) { return MacParentUnlockNotifier::notify(notifications, count); });
    auto* dashboard = new ParentDashboardView(*m_dashboardModel);
    // The view stops the model's watch when it goes, so the model must outlive it.
    m_dashboardModel->setParent(dashboard);
    m_parentContent = dashboard;
    m_parentContent->setObjectName(u"parentContent"_s);
    connect(dashboard, &ParentDashboardView::ruleSettingsRequested, this,
            [this](const DeviceListItem& device) {
                if (m_callbacks.onRuleSettings) {
                    m_callbacks.onRuleSettings(device);
                }
            });
    connect(dashboard, &ParentDashboardView::renameRequested, this, [this](const DeviceListItem& device) {
        if (m_callbacks.onRenameDevice) {
            m_callbacks.onRenameDevice(device);
        }
    });
    connect(dashboard, &ParentDashboardView::unlockRequestsRequested, this,
            [this](const DeviceListItem& device) {
                if (m_callbacks.onUnlockRequests) {
                    m_callbacks.onUnlockRequests(device);
                }
            });
    connect(m_dashboardModel, &ParentDashboardViewModel::refreshRequested, this,
            [this] { m_viewModel.refreshChildDevicesForHome(m_backendConfig); });
    layout->addWidget(m_parentContent);

    m_childContent = new ChildStatusView(policyStore, backendConfig, usageMonitor, unlockRequests,
                                         m_callbacks.onAppSelection, m_callbacks.onEyeRestSettings);
    m_childContent->setObjectName(u"childStatus"_s);
    layout->addWidget(m_childContent);
    layout->addStretch();

    m_noPassword = new QWidget;
    m_noPassword->setObjectName(u"noPasswordNotice"_s);
    {
        auto* row = new QHBoxLayout(m_noPassword);
        row->setContentsMargins(0, 0, 0, 0);
        auto* text = new QLabel(L10n::localized(
            "本机还没有设置家长密码：没有密码，规则和受控应用谁都能改。请家长现在就在这台电脑上设置。"));
        text->setWordWrap(true);
        text->setProperty("role", u"warning"_s);
        row->addWidget(text, 1);
        auto* set = new QPushButton(L10n::localized("设置家长密码"));
        set->setObjectName(u"setPasswordButton"_s);
        row->addWidget(set);
        connect(set, &QPushButton::clicked, this, [this] {
            if (m_callbacks.onSetPassword) {
                m_callbacks.onSetPassword();
            }
        });
    }
    layout->addWidget(m_noPassword);

    m_noExtension
        = new QLabel(L10n::localized("此电脑的桌面未启用岚哨的 GNOME 扩展：看不到也无法隐藏应用的窗口，"
                                     "只能在锁定时暂停受控应用。安装孩子守护并重新登录后即可启用。"));
    m_noExtension->setObjectName(u"desktopExtensionNotice"_s);
    m_noExtension->setWordWrap(true);
    m_noExtension->setProperty("role", u"warning"_s);
    layout->addWidget(m_noExtension);

    // Bottom actions.
    m_childActions = new QWidget;
    {
        auto* actions = new QVBoxLayout(m_childActions);
        actions->setContentsMargins(0, 0, 0, 0);
        auto* request
            = actionButton(L10n::localized("向家长申请解锁"), "paperplane", u"requestUnlockButton"_s);
        auto* unlock = actionButton(L10n::localized("家长在身边时，输入家长密码立即解锁"), "lock.open",
                                    u"localUnlockButton"_s);
        actions->addWidget(request);
        actions->addWidget(unlock);
        connect(request, &QPushButton::clicked, this, [this] {
            if (m_callbacks.onUnlockRequest) {
                m_callbacks.onUnlockRequest();
            }
        });
        connect(unlock, &QPushButton::clicked, this, [this] {
            if (m_callbacks.onChildUnlock) {
                m_callbacks.onChildUnlock();
            }
        });
    }
    layout->addWidget(m_childActions);
    auto* bottom = new QHBoxLayout;
    auto* binding
        = actionButton(L10n::localized("身份 / 基础设置"), "person.2.badge.gearshape", u"bindingButton"_s);
    auto* more = actionButton(L10n::localized("更多"), "ellipsis.circle", u"moreButton"_s);
    bottom->addWidget(binding, 1);
    bottom->addWidget(more, 1);
    layout->addLayout(bottom);
    connect(binding, &QPushButton::clicked, this, [this] {
        if (m_callbacks.onRemoteBinding) {
            m_callbacks.onRemoteBinding();
        }
    });
    connect(more, &QPushButton::clicked, this, [this] {
        if (m_callbacks.onMoreMenu) {
            m_callbacks.onMoreMenu();
        }
    });

    connect(&backendConfig, &RemoteBackendConfig::roleChanged, this, &HomePanelView::refresh);
    connect(&backendConfig, &RemoteBackendConfig::familyCodeChanged, this, &HomePanelView::refresh);
    connect(&backendConfig, &RemoteBackendConfig::deviceIDChanged, this, &HomePanelView::refresh);
    connect(&viewModel, &ContentViewModel::childDevicesChanged, this, &HomePanelView::refreshDevices);
    connect(&viewModel, &ContentViewModel::homePendingUnlockRequestsChanged, this,
            &HomePanelView::refreshDevices);
    connect(&viewModel, &ContentViewModel::childDevicesErrorChanged, this, &HomePanelView::refreshDevices);
    connect(&viewModel, &ContentViewModel::isLoadingChildDevicesChanged, this,
            &HomePanelView::refreshDevices);
    refresh();
}

bool HomePanelView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress
        && (watched == m_header || m_header->isAncestorOf(qobject_cast<QWidget*>(watched)))) {
        m_viewModel.registerHiddenTap(m_backendConfig, m_appSelectionStore);
    }
    return QWidget::eventFilter(watched, event);
}

void HomePanelView::refresh()
{
    const RemoteDeviceRole role = m_backendConfig.role();
    m_rolePill->setVisible(role != RemoteDeviceRole::unknown);
    m_rolePill->setText(role == RemoteDeviceRole::parent ? L10n::localized("家长端")
                                                         : L10n::localized("孩子端"));
    m_firstUse->setVisible(role == RemoteDeviceRole::unknown);
    m_parentContent->setVisible(role == RemoteDeviceRole::parent);
    m_childContent->setVisible(role == RemoteDeviceRole::child);
    const bool overlay = m_callbacks.isOverlayShowing && m_callbacks.isOverlayShowing();
    m_childActions->setVisible(role == RemoteDeviceRole::child || overlay);
    m_noPassword->setVisible(role == RemoteDeviceRole::child && m_callbacks.lacksParentPassword
                             && m_callbacks.lacksParentPassword());
    m_noExtension->setVisible(role == RemoteDeviceRole::child && m_callbacks.lacksDesktopExtension
                              && m_callbacks.lacksDesktopExtension());
    refreshDevices();
}

void HomePanelView::refreshDevices()
{
    m_dashboardModel->setChildDevices(m_viewModel.childDevices());
    m_dashboardModel->setChildDevicesError(m_viewModel.childDevicesError());
    m_dashboardModel->setLoadingChildDevices(m_viewModel.isLoadingChildDevices());
    m_dashboardModel->setHomePendingUnlockRequests(m_viewModel.homePendingUnlockRequests());
}
