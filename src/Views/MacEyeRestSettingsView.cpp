#include "Views/MacEyeRestSettingsView.h"

#include "Models/L10n.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MacEyeRestSettingsView::MacEyeRestSettingsView(ScreenTimePolicyStore& policyStore,
                                               ParentalPasswordStore& passwordStore, QWidget* parent)
    : QDialog(parent)
    , m_model(policyStore, passwordStore)
{
    setObjectName(u"MacEyeRestSettingsView"_s);
    setWindowTitle(L10n::localized("视力保护设置"));
    setWindowModality(Qt::WindowModal);
    setMinimumWidth(380);
    auto* layout = new QVBoxLayout(this);
    // The dialog grows with a long error text instead of squeezing the fields.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    auto* heading = new QLabel(L10n::localized("视力保护设置"));
    QFont bold = heading->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    heading->setFont(bold);
    layout->addWidget(heading);
    auto* note = new QLabel(L10n::localized(
        "连续使用受控应用到设定时长后，受控应用暂停一段时间，让眼睛休息。只保存在本机，需要家长密码。"));
    note->setWordWrap(true);
    note->setProperty("role", u"note"_s);
    layout->addWidget(note);

    m_enabled = new QCheckBox(L10n::localized("开启视力保护"));
    m_enabled->setObjectName(u"eyeRestEnabled"_s);
    m_enabled->setChecked(m_model.isEnabled());
    layout->addWidget(m_enabled);
    auto* form = new QFormLayout;
    m_interval = new QSpinBox;
    m_interval->setObjectName(u"eyeRestInterval"_s);
    m_interval->setRange(MacEyeRestSettingsViewModel::minimumInterval,
                         MacEyeRestSettingsViewModel::maximumInterval);
    m_interval->setValue(int(m_model.intervalMinutes()));
    m_interval->setSuffix(L10n::localized(" 分钟"));
    form->addRow(L10n::localized("连续使用"), m_interval);
    m_rest = new QSpinBox;
    m_rest->setObjectName(u"eyeRestRest"_s);
    m_rest->setRange(MacEyeRestSettingsViewModel::minimumRest, MacEyeRestSettingsViewModel::maximumRest);
    m_rest->setValue(int(m_model.restMinutes()));
    m_rest->setSuffix(L10n::localized(" 分钟"));
    form->addRow(L10n::localized("每次休息"), m_rest);
    m_password = new QLineEdit;
    m_password->setObjectName(u"password"_s);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setPlaceholderText(L10n::localized("请输入密码"));
    form->addRow(L10n::localized("家长密码"), m_password);
    layout->addLayout(form);
    const auto follow = [this] {
        m_interval->setEnabled(m_enabled->isChecked());
        m_rest->setEnabled(m_enabled->isChecked());
    };
    connect(m_enabled, &QCheckBox::toggled, this, follow);
    follow();

    m_error = new QLabel;
    m_error->setObjectName(u"errorMessage"_s);
    m_error->setProperty("role", u"error"_s);
    m_error->setWordWrap(true);
    m_error->hide();
    layout->addWidget(m_error);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = new QPushButton(L10n::localized("取消"));
    cancel->setObjectName(u"cancel"_s);
    auto* save = new QPushButton(L10n::localized("保存"));
    save->setObjectName(u"save"_s);
    save->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(save);
    layout->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(save, &QPushButton::clicked, this, &MacEyeRestSettingsView::save);
}

void MacEyeRestSettingsView::save()
{
    const auto error
        = m_model.save(m_password->text(), m_enabled->isChecked(), m_interval->value(), m_rest->value());
    if (!error) {
        accept();
        return;
    }
    m_error->setText(*error);
    m_error->show();
    adjustSize();
    m_password->selectAll();
    m_password->setFocus();
}
