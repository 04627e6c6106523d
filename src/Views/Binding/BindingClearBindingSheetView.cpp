#include "Views/Binding/BindingClearBindingSheetView.h"

#include "Models/L10n.h"
#include "Services/BindingViewModel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

BindingClearBindingSheetView::BindingClearBindingSheetView(BindingStepContext context, QWidget* parent)
    : QDialog(parent)
    , m_context(context)
{
    setObjectName(u"clearBindingSheet"_s);
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(L10n::localized("清除本机绑定需家长密码确认"));
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);
    auto* text = new QLabel(
        L10n::localized("此操作将解除本设备与家庭的绑定，孩子可能随后卸载岚哨。输入家长密码以确认。"));
    text->setWordWrap(true);
    layout->addWidget(text);
    m_password = new QLineEdit;
    m_password->setObjectName(u"clearBindingPassword"_s);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setPlaceholderText(L10n::localized("家长密码"));
    layout->addWidget(m_password);
    m_error = new QLabel;
    m_error->setObjectName(u"clearBindingPasswordError"_s);
    m_error->setProperty("role", u"error"_s);
    layout->addWidget(m_error);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = new QPushButton(L10n::localized("取消"));
    cancel->setObjectName(u"clearBindingCancel"_s);
    auto* confirm = new QPushButton(L10n::localized("确认"));
    confirm->setObjectName(u"clearBindingConfirm"_s);
    confirm->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(confirm);
    layout->addLayout(buttons);
    setMinimumWidth(360);

    BindingViewModel& vm = m_context.viewModel;
    connect(m_password, &QLineEdit::textEdited, &vm, &BindingViewModel::setClearBindingPasswordInput);
    connect(cancel, &QPushButton::clicked, this,
            [this] { m_context.viewModel.setShowingClearBindingVerify(false); });
    connect(confirm, &QPushButton::clicked, this, [this] {
        m_context.viewModel.confirmClearBinding(m_context.passwordStore, m_context.backendConfig);
    });
    connect(&vm, &BindingViewModel::clearBindingChanged, this, &BindingClearBindingSheetView::refresh);
    refresh();
}

void BindingClearBindingSheetView::refresh()
{
    const BindingViewModel& vm = m_context.viewModel;
    if (m_password->text() != vm.clearBindingPasswordInput()) {
        m_password->setText(vm.clearBindingPasswordInput());
    }
    m_error->setText(vm.clearBindingPasswordError().value_or(QString()));
    m_error->setVisible(vm.clearBindingPasswordError().has_value());
}
