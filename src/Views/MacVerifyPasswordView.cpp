#include "Views/MacVerifyPasswordView.h"

#include "Models/L10n.h"
#include "Models/ParentalPasswordStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MacVerifyPasswordView::MacVerifyPasswordView(ParentalPasswordStore& store, std::function<void()> onVerified,
                                             QWidget* parent)
    : QDialog(parent)
    , m_store(store)
    , m_onVerified(std::move(onVerified))
{
    setWindowModality(Qt::WindowModal);
    setWindowTitle(L10n::localized("输入家长密码"));
    setMinimumWidth(300);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(20);
    layout->setAlignment(Qt::AlignCenter);

    auto* headline = new QLabel(L10n::localized("输入家长密码"), this);
    headline->setObjectName(u"headline"_s);
    QFont headlineFont = headline->font();
    headlineFont.setBold(true);
    headlineFont.setPointSizeF(headlineFont.pointSizeF() * 1.25);
    headline->setFont(headlineFont);
    headline->setAlignment(Qt::AlignCenter);
    layout->addWidget(headline);

    m_password = new QLineEdit(this);
    m_password->setObjectName(u"password"_s);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setPlaceholderText(L10n::localized("请输入密码"));
    layout->addWidget(m_password);

    m_errorMessage = new QLabel(this);
    m_errorMessage->setObjectName(u"errorMessage"_s);
    m_errorMessage->setProperty("role", u"error"_s);
    QFont caption = m_errorMessage->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    m_errorMessage->setFont(caption);
    m_errorMessage->setAlignment(Qt::AlignCenter);
    m_errorMessage->hide();
    layout->addWidget(m_errorMessage);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = new QPushButton(L10n::localized("取消"), this);
    cancel->setObjectName(u"cancel"_s);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    auto* button = new QPushButton(L10n::localized("确认"), this);
    button->setObjectName(u"confirm"_s);
    // Return in the field confirms; Esc cancels (the dialog's own key).
    button->setDefault(true);
    connect(button, &QPushButton::clicked, this, &MacVerifyPasswordView::confirm);
    buttons->addWidget(button);
    buttons->addStretch();
    layout->addLayout(buttons);
    showStoreProblem(m_store.refresh());
}

QString MacVerifyPasswordView::storeProblem(ParentalPasswordStore::State state)
{
    switch (state) {
    case ParentalPasswordStore::State::set:
        break;
    case ParentalPasswordStore::State::none:
        // Anything typed would be "wrong": say why, and where a parent sets one.
        return L10n::localized(
            "本机还没有设置家长密码，无法用密码解锁。请家长在首页点击“设置家长密码”设置后再用。");
    case ParentalPasswordStore::State::unreadable:
        return L10n::localized("暂时无法读取家长密码（系统钥匙环打不开），请稍后重试");
    }
    return {};
}

bool MacVerifyPasswordView::showStoreProblem(ParentalPasswordStore::State state)
{
    const auto problem = storeProblem(state);
    if (problem.isEmpty()) {
        return false;
    }
    m_errorMessage->setText(problem);
    m_errorMessage->setWordWrap(true);
    m_errorMessage->show();
    return true;
}

QString MacVerifyPasswordView::refusal(ParentalPasswordStore& store, const QString& password)
{
    if (const auto problem = storeProblem(store.refresh()); !problem.isEmpty()) {
        return problem;
    }
    return store.verify(password) ? QString() : L10n::localized("密码错误，请重试");
}

QString MacVerifyPasswordView::password() const
{
    return m_password->text();
}

QString MacVerifyPasswordView::errorMessage() const
{
    return m_errorMessage->isHidden() ? QString() : m_errorMessage->text();
}

void MacVerifyPasswordView::confirm()
{
    const auto refused = refusal(m_store, m_password->text());
    if (refused.isEmpty()) {
        if (m_onVerified) {
            m_onVerified();
        }
        return;
    }
    m_errorMessage->setText(refused);
    m_errorMessage->setWordWrap(true);
    m_errorMessage->show();
}
