#include "Views/MacAboutView.h"

#include "Models/L10n.h"
#include "Platform/HostSystem.h"
#include "Services/MacAboutViewModel.h"
#include "Views/SheetTitleRow.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MacAboutView::MacAboutView(RemoteBackendConfig& config, const AppBundle& bundle, QWidget* parent)
    : QDialog(parent)
    , m_model(new MacAboutViewModel(config, bundle, this))
{
    setObjectName(u"MacAboutView"_s);
    setMinimumSize(360, 220);
    setWindowTitle(L10n::localized("关于我们"));
    auto* layout = new QVBoxLayout(this);
    auto* done = SheetTitleRow::add(layout, this, L10n::localized("关于我们"));
    connect(done, &QPushButton::clicked, this, &MacAboutView::dismissRequested);

    const auto centred = [this, layout](const QString& text, const QString& role, const QString& name) {
        auto* label = new QLabel(text, this);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        label->setProperty("role", role);
        layout->addWidget(label);
        return label;
    };
    layout->addStretch();
    centred(L10n::localized("岚哨"), u"display"_s, u"name"_s);
    centred(HostSystem::isMac ? L10n::localized("岚哨 Mac 版") : L10n::localized("岚哨 Linux 版"), u"secondary"_s,
            u"edition"_s);
    centred(m_model->versionLine(), u"smallSecondary"_s, u"version"_s);
    centred(L10n::localized("守护孩子健康、视力与专注力。"), u"smallSecondary"_s, u"slogan"_s);
    m_detail = centred(QString(), u"smallSecondary"_s, u"apiDetail"_s);
    layout->addStretch();

    connect(m_model, &MacAboutViewModel::changed, this, &MacAboutView::render);
    render();
}

MacAboutView::~MacAboutView() = default;

void MacAboutView::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_loaded) {
        m_loaded = true;
        m_model->load();
    }
}

void MacAboutView::render()
{
    m_detail->setText(m_model->apiDetail());
    m_detail->setVisible(!m_model->apiDetail().isEmpty());
}
