#include "Views/HomePanelView.h"

#include "Models/L10n.h"
#include "Models/MacAppSelectionStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Services/ContentViewModel.h"
#include "Views/ChildStatusView.h"
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
    frame->setStyleSheet(
        u"QFrame#card { background: #ffffff; border: 1px solid #dde3ea; border-radius: 10px; }"_s);
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
    tagline->setStyleSheet(u"color: #666666;"_s);
    titles->addWidget(tagline);
    header->addLayout(titles, 1);
    m_rolePill = new QLabel;
    m_rolePill->setObjectName(u"rolePill"_s);
    m_rolePill->setStyleSheet(
        u"background: #e3f2fd; color: #1565c0; border-radius: 9px; padding: 2px 10px;"_s);
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

    // Parent: the family's child devices, until the full dashboard screen takes this place.
    m_parentContent = new QWidget;
    m_parentContent->setObjectName(u"parentContent"_s);
    {
        auto* body = new QVBoxLayout(m_parentContent);
        body->setContentsMargins(0, 0, 0, 0);
        m_devicesError = new QLabel;
        m_devicesError->setObjectName(u"childDevicesError"_s);
        m_devicesError->setStyleSheet(u"color: #d32f2f;"_s);
        m_devicesError->setWordWrap(true);
        body->addWidget(m_devicesError);
        auto* list = new QWidget;
        m_deviceList = new QVBoxLayout(list);
        m_deviceList->setContentsMargins(0, 0, 0, 0);
        body->addWidget(list);
    }
    layout->addWidget(m_parentContent);

    m_childContent = new ChildStatusView(policyStore, backendConfig, m_callbacks.onAppSelection);
    m_childContent->setObjectName(u"childStatus"_s);
    layout->addWidget(m_childContent);
    layout->addStretch();

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
    connect(&viewModel, &ContentViewModel::childDevicesChanged, this, &HomePanelView::refreshDevices);
    connect(&viewModel, &ContentViewModel::homePendingUnlockRequestsChanged, this,
            &HomePanelView::refreshDevices);
    connect(&viewModel, &ContentViewModel::childDevicesErrorChanged, this, &HomePanelView::refreshDevices);
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
    refreshDevices();
}

void HomePanelView::refreshDevices()
{
    const auto error = m_viewModel.childDevicesError();
    m_devicesError->setText(error.value_or(QString()));
    m_devicesError->setVisible(error.has_value());
    while (QLayoutItem* item = m_deviceList->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const DeviceListItem& device : m_viewModel.childDevices()) {
        if (device.role != u"child"_s) {
            continue;
        }
        auto* row = makeCard();
        row->setObjectName(u"card"_s);
        auto* rowLayout = new QHBoxLayout(row);
        auto* icon = new QLabel;
        icon->setPixmap(SymbolIcon::pixmap(u"laptopcomputer.and.iphone"_s, 20));
        rowLayout->addWidget(icon);
        auto* name = new QLabel(device.name);
        name->setObjectName(u"homeChildDeviceName"_s);
        rowLayout->addWidget(name, 1);
        if (m_viewModel.hasPendingUnlockRequest(device.id)) {
            auto* dot = new QLabel(u"●"_s);
            dot->setStyleSheet(u"color: #ef6c00;"_s);
            rowLayout->addWidget(dot);
        }
        const auto addButton = [&](const QString& text, const QString& objectName,
                                   const std::function<void(const DeviceListItem&)>& callback) {
            auto* button = new QPushButton(text);
            button->setObjectName(objectName);
            rowLayout->addWidget(button);
            connect(button, &QPushButton::clicked, this, [callback, device] {
                if (callback) {
                    callback(device);
                }
            });
        };
        addButton(L10n::localized("规则设置"), u"homeRuleSettingsButton"_s, m_callbacks.onRuleSettings);
        addButton(L10n::localized("修改设备昵称"), u"homeRenameButton"_s, m_callbacks.onRenameDevice);
        addButton(L10n::localized("解锁申请"), u"homeUnlockRequestsButton"_s, m_callbacks.onUnlockRequests);
        m_deviceList->addWidget(row);
    }
}
