#include "Views/Binding/BindingStep2PasswordView.h"

#include "Models/L10n.h"
#include "Models/ParentalPasswordStore.h"
#include "Services/BindingViewModel.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

BindingStep2PasswordView::BindingStep2PasswordView(BindingStepContext context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
{
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(L10n::localized("设置家长密码"));
    QFont font = heading->font();
    font.setPointSize(font.pointSize() + 3);
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);
    auto* intro = new QLabel(L10n::localized("请设置家长密码，用于孩子端「立即解锁」及清除绑定时验证。"));
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_hasPasswordText
        = new QLabel(L10n::localized("本机已设置家长密码，可点击「下一步」继续创建或恢复家庭。"));
    m_hasPasswordText->setObjectName(u"passwordExistsText"_s);
    m_hasPasswordText->setWordWrap(true);
    layout->addWidget(m_hasPasswordText);

    m_fields = new QWidget;
    auto* fields = new QVBoxLayout(m_fields);
    fields->setContentsMargins(0, 0, 0, 0);
    m_password = new QLineEdit;
    m_password->setObjectName(u"passwordInput"_s);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setPlaceholderText(L10n::localized("家长密码"));
    m_confirm = new QLineEdit;
    m_confirm->setObjectName(u"passwordConfirm"_s);
    m_confirm->setEchoMode(QLineEdit::Password);
    m_confirm->setPlaceholderText(L10n::localized("再次输入密码"));
    m_error = new QLabel;
    m_error->setObjectName(u"passwordSetupError"_s);
    m_error->setProperty("role", u"error"_s);
    m_error->setWordWrap(true);
    auto* setButton = new QPushButton(L10n::localized("设置密码"));
    setButton->setObjectName(u"setPasswordButton"_s);
    fields->addWidget(m_password);
    fields->addWidget(m_confirm);
    fields->addWidget(m_error);
    fields->addWidget(setButton);
    layout->addWidget(m_fields);
    layout->addStretch();

    BindingViewModel& vm = m_context.viewModel;
    connect(m_password, &QLineEdit::textEdited, &vm, &BindingViewModel::setPasswordInput);
    connect(m_confirm, &QLineEdit::textEdited, &vm, &BindingViewModel::setPasswordConfirm);
    connect(setButton, &QPushButton::clicked, this,
            [this] { m_context.viewModel.setupPassword(m_context.passwordStore); });
    // Return in the second field sets the password, as the button does; in the first it moves on.
    connect(m_password, &QLineEdit::returnPressed, m_confirm, qOverload<>(&QWidget::setFocus));
    connect(m_confirm, &QLineEdit::returnPressed, setButton, &QPushButton::click);
    connect(&vm, &BindingViewModel::passwordFieldsChanged, this, &BindingStep2PasswordView::refresh);
    connect(&m_context.passwordStore, &ParentalPasswordStore::hasPasswordChanged, this,
            &BindingStep2PasswordView::refresh);
    refresh();
}

void BindingStep2PasswordView::refresh()
{
    const bool has = m_context.passwordStore.hasPassword();
    m_hasPasswordText->setVisible(has);
    m_fields->setVisible(!has);
    const BindingViewModel& vm = m_context.viewModel;
    if (m_password->text() != vm.passwordInput()) {
        m_password->setText(vm.passwordInput());
    }
    if (m_confirm->text() != vm.passwordConfirm()) {
        m_confirm->setText(vm.passwordConfirm());
    }
    m_error->setText(vm.passwordSetupError().value_or(QString()));
    m_error->setVisible(vm.passwordSetupError().has_value());
}
