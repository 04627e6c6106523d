#include "Views/Binding/BindingStep1RoleView.h"

#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/BindingViewModel.h"
#include "Views/ParentPasswordGate.h"
#include "Views/SymbolIcon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

BindingStep1RoleView::BindingStep1RoleView(BindingStepContext context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
{
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(L10n::localized("选择本设备角色"));
    heading->setObjectName(u"roleHeading"_s);
    QFont font = heading->font();
    font.setPointSize(font.pointSize() + 3);
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);

    auto* row = new QHBoxLayout;
    const auto makeButton = [&](const QString& text, const char* symbol, const QString& name) {
        auto* button = new QPushButton(SymbolIcon::icon(QString::fromUtf8(symbol)), text);
        button->setObjectName(name);
        button->setCheckable(true);
        button->setMinimumHeight(80);
        button->setIconSize(QSize(32, 32));
        row->addWidget(button);
        return button;
    };
    m_parent = makeButton(L10n::localized("家长"), "person.2.fill", u"roleParentButton"_s);
    m_child = makeButton(L10n::localized("孩子"), "figure.stand", u"roleChildButton"_s);
    layout->addLayout(row);
    layout->addStretch();

    // Toggled, not clicked: assistive technology switches a checkable button with its toggle
    // action, which never clicks. Turning the chosen role's button off only redraws the choice.
    const auto choose = [this](bool parent) {
        return [this, parent](bool checked) {
            if (m_refreshing) {
                return;
            }
            // Leaving the child role ends its enforcement: a parent's decision.
            const bool leavesChild = parent && m_context.backendConfig.role() == RemoteDeviceRole::child;
            if (checked
                && (!leavesChild
                    || ParentPasswordGate::confirm(
                        m_context.passwordStore, m_context.alerts,
                        L10n::localized("把孩子电脑改为家长设备需要家长密码。")))) {
                m_context.viewModel.chooseRole(m_context.backendConfig, parent);
            }
            refresh();
        };
    };
    connect(m_parent, &QPushButton::toggled, this, choose(true));
    connect(m_child, &QPushButton::toggled, this, choose(false));
    connect(&m_context.backendConfig, &RemoteBackendConfig::roleChanged, this,
            &BindingStep1RoleView::refresh);
    refresh();
}

void BindingStep1RoleView::refresh()
{
    const RemoteDeviceRole role = m_context.backendConfig.role();
    m_refreshing = true;
    m_parent->setChecked(role == RemoteDeviceRole::parent);
    m_child->setChecked(role == RemoteDeviceRole::child);
    m_refreshing = false;
}
