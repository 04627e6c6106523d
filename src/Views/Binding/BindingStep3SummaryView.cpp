#include "Views/Binding/BindingStep3SummaryView.h"

#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/BindingViewModel.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
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
    auto* explain = new QToolButton;
    explain->setObjectName(u"guardExplanationToggle"_s);
    explain->setText(L10n::localized("防卸载说明（Mac）"));
    explain->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    explain->setArrowType(Qt::RightArrow);
    explain->setCheckable(true);
    explain->setAutoRaise(true);
    guardLayout->addWidget(explain);
    auto* explanation = new QLabel(L10n::localized("打开孩子守护后，孩子的标准账户删不掉岚哨，强制退出后几秒"
                                                   "内它会自己回来；关闭守护或退出岚哨都要输入家长密码。"
                                                   "守护需要在这台电脑上由管理员允许一次。孩子若使用管理员账"
                                                   "户，这些保护都能被绕开，请给孩子使用标准账户。"));
    explanation->setObjectName(u"guardExplanation"_s);
    explanation->setWordWrap(true);
    explanation->setProperty("role", u"explanation"_s);
    explanation->setVisible(false);
    guardLayout->addWidget(explanation);
    connect(explain, &QToolButton::toggled, this, [explain, explanation](bool open) {
        explain->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
        explanation->setVisible(open);
    });
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
