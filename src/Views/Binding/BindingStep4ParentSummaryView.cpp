#include "Views/Binding/BindingStep4ParentSummaryView.h"

#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/BindingViewModel.h"
#include "Views/SymbolIcon.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

BindingStep4ParentSummaryView::BindingStep4ParentSummaryView(BindingStepContext context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
{
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* heading = new QLabel(L10n::localized("家庭孩子设备"));
    heading->setObjectName(u"parentSummaryHeading"_s);
    QFont font = heading->font();
    font.setPointSize(font.pointSize() + 3);
    font.setBold(true);
    heading->setFont(font);
    top->addWidget(heading);
    top->addStretch();
    auto* refreshButton = new QPushButton(L10n::localized("刷新"));
    refreshButton->setObjectName(u"parentSummaryRefresh"_s);
    top->addWidget(refreshButton);
    layout->addLayout(top);
    m_code = new QLabel;
    m_code->setObjectName(u"parentSummaryFamilyCode"_s);
    layout->addWidget(m_code);
    m_empty = new QLabel(
        L10n::localized("尚未有孩子设备加入该家庭，请在孩子设备上选择「孩子」角色并输入家庭码。"));
    m_empty->setObjectName(u"parentSummaryEmpty"_s);
    m_empty->setWordWrap(true);
    layout->addWidget(m_empty);
    m_list = new QWidget;
    m_listLayout = new QVBoxLayout(m_list);
    m_listLayout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list);
    m_pending = new QLabel;
    m_pending->setObjectName(u"parentSummaryPending"_s);
    m_pending->setProperty("role", u"pending"_s);
    layout->addWidget(m_pending);
    layout->addStretch();
    auto* footer
        = new QLabel(L10n::localized("关闭本窗口后，可在首屏查看孩子设备列表、规则设置与解锁申请处理。"));
    footer->setWordWrap(true);
    footer->setProperty("role", u"note"_s);
    layout->addWidget(footer);

    connect(refreshButton, &QPushButton::clicked, this, &BindingStep4ParentSummaryView::reload);
    connect(&m_context.viewModel, &BindingViewModel::wizardChildDataChanged, this,
            &BindingStep4ParentSummaryView::refresh);
    refresh();
    reload();
}

void BindingStep4ParentSummaryView::reload()
{
    m_context.viewModel.refreshWizardChildData(m_context.backendConfig);
}

void BindingStep4ParentSummaryView::refresh()
{
    const BindingViewModel& vm = m_context.viewModel;
    m_code->setText(L10n::localized("家庭码：") + m_context.backendConfig.familyCode());
    while (QLayoutItem* item = m_listLayout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    int children = 0;
    for (const DeviceListItem& device : vm.wizardChildDevices()) {
        if (device.role != u"child"_s) {
            continue;
        }
        ++children;
        auto* row = new QFrame;
        row->setObjectName(u"childDeviceRow"_s);
        row->setFrameShape(QFrame::StyledPanel);
        auto* rowLayout = new QHBoxLayout(row);
        auto* icon = new QLabel;
        icon->setPixmap(SymbolIcon::pixmap(u"laptopcomputer.and.iphone"_s, 20));
        rowLayout->addWidget(icon);
        auto* name = new QLabel(device.name);
        name->setObjectName(u"childDeviceName"_s);
        rowLayout->addWidget(name, 1);
        auto* rules = new QPushButton(L10n::localized("规则设置"));
        rules->setObjectName(u"childRuleSettingsButton"_s);
        auto* unlocks = new QPushButton(L10n::localized("解锁申请"));
        unlocks->setObjectName(u"childUnlockRequestsButton"_s);
        rowLayout->addWidget(rules);
        rowLayout->addWidget(unlocks);
        connect(rules, &QPushButton::clicked, this,
                [this, device] { m_context.viewModel.setSelectedChildForRuleSettingsInWizard(device); });
        connect(unlocks, &QPushButton::clicked, this, [this, device] {
            m_context.viewModel.setWizardUnlockFilterDeviceId(device.id);
            m_context.viewModel.setShowingUnlockRequestsInWizard(true);
        });
        m_listLayout->addWidget(row);
    }
    // Not "none joined" while the list is still on its way.
    m_empty->setVisible(children == 0 && !vm.isLoadingWizardChildData());
    m_pending->setText(
        L10n::format(L10n::localized("待处理解锁申请：%d 条"), { vm.wizardPendingUnlocks().size() }));
}
