#include "Views/MacParentInvitationView.h"

#include "Models/L10n.h"
#include "Services/MacParentInvitationViewModel.h"
#include "Views/SheetTitleRow.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MacParentInvitationView::MacParentInvitationView(RemoteBackendConfig& config, QWidget* parent)
    : QDialog(parent)
    , m_model(new MacParentInvitationViewModel(config, this))
{
    setObjectName(u"MacParentInvitationView"_s);
    setMinimumSize(420, 240);
    setWindowTitle(L10n::localized("邀请另一台家长电脑"));
    auto* layout = new QVBoxLayout(this);
    auto* done = SheetTitleRow::add(layout, this, L10n::localized("邀请另一台家长电脑"));
    connect(done, &QPushButton::clicked, this, &MacParentInvitationView::dismissRequested);

    auto* hint = new QLabel(
        L10n::localized("在另一台家长电脑的绑定向导里选择“恢复家庭”，输入家庭码和下面的邀请码。"), this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    m_code = new QLabel(this);
    m_code->setObjectName(u"invitationCode"_s);
    m_code->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont font = m_code->font();
    font.setPointSize(font.pointSize() + 8);
    font.setBold(true);
    font.setFamily(u"monospace"_s);
    m_code->setFont(font);
    layout->addWidget(m_code, 0, Qt::AlignHCenter);
    m_expiry = new QLabel(this);
    m_expiry->setObjectName(u"expiry"_s);
    layout->addWidget(m_expiry, 0, Qt::AlignHCenter);
    m_error = new QLabel(this);
    m_error->setObjectName(u"error"_s);
    m_error->setWordWrap(true);
    m_error->setProperty("role", u"error"_s);
    layout->addWidget(m_error);
    auto* buttons = new QHBoxLayout;
    m_copy = new QPushButton(L10n::localized("复制邀请码"), this);
    m_copy->setObjectName(u"copy"_s);
    m_renew = new QPushButton(L10n::localized("重新生成"), this);
    m_renew->setObjectName(u"renew"_s);
    buttons->addWidget(m_copy);
    buttons->addWidget(m_renew);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addStretch();

    connect(m_copy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(m_model->invitationCode()); });
    connect(m_renew, &QPushButton::clicked, m_model, [this] { m_model->create(); });
    connect(m_model, &MacParentInvitationViewModel::changed, this, &MacParentInvitationView::refresh);
    refresh();
}

MacParentInvitationView::~MacParentInvitationView() = default;

void MacParentInvitationView::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_asked) {
        m_asked = true;
        m_model->create();
    }
}

void MacParentInvitationView::refresh()
{
    const auto code = m_model->invitationCode();
    m_code->setText(code.isEmpty() ? u"—"_s : code);
    m_expiry->setText(m_model->expiryText());
    m_error->setText(m_model->errorMessage().value_or(QString()));
    m_error->setVisible(m_model->errorMessage().has_value());
    m_copy->setEnabled(!code.isEmpty() && !m_model->isBusy());
    m_renew->setEnabled(!m_model->isBusy());
}
