#include "Views/ParentDashboardView.h"

#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Platform/HostSystem.h"
#include "Services/ParentDashboardViewModel.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QFrame* card(QWidget* parent)
{
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::StyledPanel);
    return frame;
}

QLabel* note(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setProperty("role", u"caption"_s);
    return label;
}

} // namespace

ParentDashboardView::ParentDashboardView(ParentDashboardViewModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
{
    setObjectName(u"ParentDashboardView"_s);

    auto* layout = new QVBoxLayout(this);

    auto* status = card(this);
    status->setObjectName(u"parentProtectionCard"_s);
    auto* statusLayout = new QVBoxLayout(status);
    m_headline = new QLabel(status);
    m_headline->setObjectName(u"headline"_s);
    m_headline->setProperty("role", u"title"_s);
    statusLayout->addWidget(m_headline);
    if constexpr (HostSystem::isMac) {
        statusLayout->addWidget(
            note(L10n::localized("家长密码要在孩子那台 Mac 上设置，这台电脑上设的密码解不开孩子的电脑。"),
                 status));
        statusLayout->addWidget(
            note(L10n::localized("孩子那台 Mac 需要在本机点一次管理员允许，岚哨才会在退出后自己回来。"
                                 "取消了的话，打开孩子电脑上的岚哨再允许一次。"),
                 status));
    } else {
        statusLayout->addWidget(note(
            L10n::localized("家长密码要在孩子那台电脑上设置，这台电脑上设的密码解不开孩子的电脑。"), status));
        statusLayout->addWidget(
            note(L10n::localized("孩子那台电脑需要在本机输入一次管理员密码，岚哨才会在退出后自己回来。"
                                 "取消了的话，打开孩子电脑上的岚哨再允许一次。"),
                 status));
    }
    layout->addWidget(status);

    auto* devices = card(this);
    devices->setObjectName(u"parentChildDevicesCard"_s);
    auto* devicesLayout = new QVBoxLayout(devices);
    auto* header = new QHBoxLayout;
    auto* title = new QLabel(L10n::localized("家庭孩子设备"), devices);
    title->setProperty("role", u"heading"_s);
    header->addWidget(title);
    header->addStretch();
    m_spinner = new QLabel(u"…"_s, devices);
    m_spinner->setObjectName(u"loading"_s);
    header->addWidget(m_spinner);
    m_refresh = new QPushButton(L10n::localized("刷新"), devices);
    m_refresh->setObjectName(u"refresh"_s);
    header->addWidget(m_refresh);
    devicesLayout->addLayout(header);
    m_familyCode = new QLabel(devices);
    m_familyCode->setObjectName(u"familyCode"_s);
    m_familyCode->setTextFormat(Qt::RichText);
    devicesLayout->addWidget(m_familyCode);
    m_error = new QLabel(devices);
    m_error->setObjectName(u"error"_s);
    m_error->setWordWrap(true);
    m_error->setProperty("role", u"smallError"_s);
    devicesLayout->addWidget(m_error);
    m_rows = new QWidget(devices);
    m_rowsLayout = new QVBoxLayout(m_rows);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    devicesLayout->addWidget(m_rows);
    layout->addWidget(devices);
    layout->addStretch();

    connect(m_refresh, &QPushButton::clicked, &m_model, &ParentDashboardViewModel::refreshRequested);
    connect(&m_model, &ParentDashboardViewModel::changed, this, &ParentDashboardView::render);
    connect(&m_model.backendConfig(), &RemoteBackendConfig::familyCodeChanged, this,
            &ParentDashboardView::render);
    render();
}

ParentDashboardView::~ParentDashboardView()
{
    m_model.stopWatching();
}

void ParentDashboardView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_model.startWatching();
}

void ParentDashboardView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    // A minimised or closed window keeps the watch: a parent computer must still hear of new
    // requests. Only this dashboard itself going (another role) ends it.
    if (isHidden()) {
        m_model.stopWatching();
    }
}

void ParentDashboardView::render()
{
    m_headline->setText(m_model.statusHeadline());
    m_spinner->setVisible(m_model.isLoadingChildDevices());
    m_refresh->setVisible(!m_model.isLoadingChildDevices());

    const QString code = m_model.backendConfig().familyCode();
    m_familyCode->setVisible(!code.isEmpty());
    m_familyCode->setText(
        u"<span style=\"color: gray; font-size: 11px;\">%1</span>"
        "<span style=\"color: palette(highlight); font-weight: 600; font-size: 11px;\">%2</span>"_s.arg(
            L10n::localized("家庭码：").toHtmlEscaped(), code.toHtmlEscaped()));
    m_error->setText(m_model.childDevicesError().value_or(QString()));
    m_error->setVisible(m_model.childDevicesError().has_value());

    while (auto* item = m_rowsLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const auto children = m_model.children();
    // "No child has joined" only when the list was read: not while it loads, not when it failed.
    if (children.isEmpty() && !m_model.isLoadingChildDevices() && !m_model.childDevicesError()) {
        auto* empty
            = note(L10n::localized("尚未有孩子设备加入该家庭，请在孩子设备上选择「孩子」角色并输入家庭码。"),
                   m_rows);
        empty->setObjectName(u"empty"_s);
        m_rowsLayout->addWidget(empty);
    }
    for (const auto& child : children) {
        auto* row = new QWidget(m_rows);
        row->setObjectName(u"child-"_s + child.id);
        auto* rowLayout = new QHBoxLayout(row);
        rowLayout->setContentsMargins(0, 2, 0, 2);
        auto* icon = new QLabel(row);
        icon->setPixmap(QIcon::fromTheme(u"computer"_s).pixmap(18, 18));
        rowLayout->addWidget(icon);
        auto* name = new QLabel(child.name, row);
        name->setObjectName(u"name"_s);
        rowLayout->addWidget(name, 1);
        auto* rules = new QPushButton(L10n::localized("规则设置"), row);
        rules->setObjectName(u"ruleSettings"_s);
        auto* rename = new QPushButton(L10n::localized("重命名"), row);
        rename->setObjectName(u"rename"_s);
        auto* unlock = new QPushButton(L10n::localized("解锁申请"), row);
        unlock->setObjectName(u"unlockRequests"_s);
        unlock->setProperty("pending", m_model.hasPendingUnlockRequest(child.id));
        for (auto* button : { rules, rename, unlock }) {
            rowLayout->addWidget(button);
        }
        connect(rules, &QPushButton::clicked, this, [this, child] { emit ruleSettingsRequested(child); });
        connect(rename, &QPushButton::clicked, this, [this, child] { emit renameRequested(child); });
        connect(unlock, &QPushButton::clicked, this, [this, child] { emit unlockRequestsRequested(child); });
        m_rowsLayout->addWidget(row);
    }
}
