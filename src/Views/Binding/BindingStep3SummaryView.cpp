#include "Views/Binding/BindingStep3SummaryView.h"

#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/BindingViewModel.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

BindingStep3SummaryView::BindingStep3SummaryView(BindingStepContext context, QWidget* parent)
    : QWidget(parent)
    , m_context(context)
{
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(L10n::localized("配置完成"));
    heading->setObjectName(u"childSummaryHeading"_s);
    QFont font = heading->font();
    font.setPointSize(font.pointSize() + 3);
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);
    m_code = new QLabel;
    m_code->setObjectName(u"childSummaryFamilyCode"_s);
    layout->addWidget(m_code);

    auto* guard = new QGroupBox(L10n::localized("防止孩子卸载"));
    auto* guardLayout = new QVBoxLayout(guard);
    auto* explanation = new QLabel(L10n::localized("防卸载说明（Mac）"));
    explanation->setWordWrap(true);
    guardLayout->addWidget(explanation);
    layout->addWidget(guard);

    auto* clear = new QPushButton(L10n::localized("清除本机绑定，重新加入家庭"));
    clear->setObjectName(u"clearBindingButton"_s);
    layout->addWidget(clear, 0, Qt::AlignLeft);
    layout->addStretch();
    connect(clear, &QPushButton::clicked, this, [this] {
        m_context.viewModel.requestClearBinding(m_context.passwordStore, m_context.backendConfig);
    });
    connect(&m_context.backendConfig, &RemoteBackendConfig::familyCodeChanged, this,
            &BindingStep3SummaryView::refresh);
    refresh();
}

void BindingStep3SummaryView::refresh()
{
    m_code->setText(L10n::localized("家庭码：") + m_context.backendConfig.familyCode());
}
