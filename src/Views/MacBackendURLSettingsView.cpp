#include "Views/MacBackendURLSettingsView.h"

#include "Models/L10n.h"
#include "Models/NamedTexts.h"
#include "Services/MacBackendURLSettingsViewModel.h"
#include "Views/SheetTitleRow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MacBackendURLSettingsView::MacBackendURLSettingsView(RemoteBackendConfig& config, QWidget* parent)
    : QDialog(parent)
    , m_model(new MacBackendURLSettingsViewModel(config, this))
{
    setObjectName(u"MacBackendURLSettingsView"_s);
    setMinimumSize(420, 200);
    setWindowTitle(L10n::localized("后端服务地址"));
    auto* layout = new QVBoxLayout(this);
    auto* done = SheetTitleRow::add(layout, this, L10n::localized("后端服务地址"));
    connect(done, &QPushButton::clicked, this, &MacBackendURLSettingsView::dismissRequested);

    auto* hint = new QLabel(NamedTexts::backendURLHint(), this);
    hint->setWordWrap(true);
    hint->setProperty("role", u"caption"_s);
    layout->addWidget(hint);
    m_field = new QLineEdit(this);
    m_field->setObjectName(u"draft"_s);
    m_field->setPlaceholderText(u"https://…"_s);
    layout->addWidget(m_field);
    auto* buttons = new QHBoxLayout;
    auto* save = new QPushButton(L10n::localized("保存地址"), this);
    save->setObjectName(u"save"_s);
    save->setDefault(true);
    auto* reset = new QPushButton(L10n::localized("恢复默认"), this);
    reset->setObjectName(u"restoreDefault"_s);
    buttons->addWidget(save);
    buttons->addWidget(reset);
    buttons->addStretch();
    layout->addLayout(buttons);
    layout->addStretch();

    connect(m_field, &QLineEdit::textEdited, m_model, &MacBackendURLSettingsViewModel::setDraft);
    connect(m_model, &MacBackendURLSettingsViewModel::draftChanged, this, [this] {
        if (m_field->text() != m_model->draft()) {
            m_field->setText(m_model->draft());
        }
    });
    connect(save, &QPushButton::clicked, m_model, &MacBackendURLSettingsViewModel::save);
    connect(reset, &QPushButton::clicked, m_model, &MacBackendURLSettingsViewModel::restoreDefault);
    connect(m_model, &MacBackendURLSettingsViewModel::dismissRequested, this,
            &MacBackendURLSettingsView::dismissRequested);
}

MacBackendURLSettingsView::~MacBackendURLSettingsView() = default;

void MacBackendURLSettingsView::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    m_model->appear();
}
