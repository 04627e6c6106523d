#include "Views/MacVerifyPasswordView.h"

#include "Models/L10n.h"
#include "Models/ParentalPasswordStore.h"

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
    m_errorMessage->setStyleSheet(u"color: red;"_s);
    QFont caption = m_errorMessage->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    m_errorMessage->setFont(caption);
    m_errorMessage->setAlignment(Qt::AlignCenter);
    m_errorMessage->hide();
    layout->addWidget(m_errorMessage);

    auto* button = new QPushButton(L10n::localized("确认"), this);
    button->setObjectName(u"confirm"_s);
    // Return in the field does nothing: only the button checks the password.
    button->setAutoDefault(false);
    button->setDefault(false);
    connect(button, &QPushButton::clicked, this, &MacVerifyPasswordView::confirm);
    layout->addWidget(button, 0, Qt::AlignCenter);
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
    if (m_store.verify(m_password->text())) {
        if (m_onVerified) {
            m_onVerified();
        }
        return;
    }
    m_errorMessage->setText(L10n::localized("密码错误，请重试"));
    m_errorMessage->show();
}
