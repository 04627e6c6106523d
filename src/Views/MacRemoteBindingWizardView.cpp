#include "Views/MacRemoteBindingWizardView.h"

#include "Models/L10n.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Services/BindingViewModel.h"
#include "Views/Binding/BindingClearBindingSheetView.h"
#include "Views/Binding/BindingStep1RoleView.h"
#include "Views/Binding/BindingStep2PasswordView.h"
#include "Views/Binding/BindingStep2SetupView.h"
#include "Views/Binding/BindingStep3SummaryView.h"
#include "Views/Binding/BindingStep4ParentSummaryView.h"
#include "Views/SheetTitleRow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MacRemoteBindingWizardView::MacRemoteBindingWizardView(RemoteBackendConfig& backendConfig,
                                                       MacAppSelectionStore& appSelectionStore,
                                                       ParentalPasswordStore& passwordStore,
                                                       ScreenTimePolicyStore& policyStore,
                                                       Workspace& workspace, AlertPresenter& alerts,
                                                       std::function<void()> onDismiss, QWidget* parent)
    : QDialog(parent)
    , m_backendConfig(backendConfig)
    , m_passwordStore(passwordStore)
    , m_onDismiss(std::move(onDismiss))
    , m_viewModel(new BindingViewModel(workspace, this))
    , m_context { *m_viewModel, backendConfig, passwordStore, alerts }
{
    Q_UNUSED(appSelectionStore)
    Q_UNUSED(policyStore)
    setObjectName(u"bindingWizard"_s);
    setWindowTitle(L10n::localized("身份 / 基础设置"));
    resize(480, 560);

    auto* layout = new QVBoxLayout(this);
    auto* done = SheetTitleRow::add(layout, this, L10n::localized("身份 / 基础设置"));
    done->setAutoDefault(false);

    m_stepIndicator = new QLabel;
    m_stepIndicator->setObjectName(u"wizardStepIndicator"_s);
    layout->addWidget(m_stepIndicator);

    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* holder = new QWidget;
    m_stepHolder = new QVBoxLayout(holder);
    m_stepHolder->setContentsMargins(0, 0, 0, 0);
    scroll->setWidget(holder);
    layout->addWidget(scroll, 1);

    m_error = new QLabel;
    m_error->setObjectName(u"wizardErrorMessage"_s);
    m_error->setWordWrap(true);
    m_error->setProperty("role", u"error"_s);
    m_success = new QLabel;
    m_success->setObjectName(u"wizardSuccessMessage"_s);
    m_success->setWordWrap(true);
    m_success->setProperty("role", u"success"_s);
    layout->addWidget(m_error);
    layout->addWidget(m_success);

    auto* nav = new QHBoxLayout;
    m_back = new QPushButton(L10n::localized("上一步"));
    m_back->setObjectName(u"wizardBack"_s);
    m_back->setAutoDefault(false);
    m_forward = new QPushButton;
    m_forward->setObjectName(u"wizardForward"_s);
    m_forward->setDefault(true);
    nav->addWidget(m_back);
    nav->addStretch();
    nav->addWidget(m_forward);
    layout->addLayout(nav);

    const auto dismiss = [this] {
        if (m_onDismiss) {
            m_onDismiss();
        }
    };
    connect(done, &QPushButton::clicked, this, dismiss);
    connect(m_back, &QPushButton::clicked, m_viewModel, &BindingViewModel::goBack);
    connect(m_forward, &QPushButton::clicked, this, &MacRemoteBindingWizardView::forward);
    connect(m_viewModel, &BindingViewModel::currentStepChanged, this,
            &MacRemoteBindingWizardView::rebuildStep);
    connect(m_viewModel, &BindingViewModel::messagesChanged, this,
            &MacRemoteBindingWizardView::refreshMessages);
    connect(m_viewModel, &BindingViewModel::clearBindingChanged, this,
            &MacRemoteBindingWizardView::syncSheets);
    connect(m_viewModel, &BindingViewModel::sheetsChanged, this, &MacRemoteBindingWizardView::syncSheets);
    // The path follows the role chosen on step 1.
    connect(&backendConfig, &RemoteBackendConfig::roleChanged, this,
            &MacRemoteBindingWizardView::refreshChrome);
    connect(&passwordStore, &ParentalPasswordStore::hasPasswordChanged, this,
            &MacRemoteBindingWizardView::refreshChrome);

    m_viewModel->prepare(backendConfig);
    rebuildStep();
    refreshMessages();
}

MacRemoteBindingWizardView::~MacRemoteBindingWizardView() = default;

void MacRemoteBindingWizardView::forward()
{
    if (m_viewModel->isLastStep()) {
        if (m_onDismiss) {
            m_onDismiss();
        }
        return;
    }
    m_viewModel->goNext();
}

void MacRemoteBindingWizardView::rebuildStep()
{
    const int step = m_viewModel->currentStep();
    const bool parent = m_viewModel->isParent;
    if (m_step && step == m_shownStep && parent == m_shownParent) {
        refreshChrome();
        return;
    }
    if (m_step) {
        m_step->deleteLater();
        m_step = nullptr;
    }
    m_shownStep = step;
    m_shownParent = parent;
    if (step == 1) {
        m_step = new BindingStep1RoleView(m_context);
    } else if (step == 2) {
        m_step = parent ? static_cast<QWidget*>(new BindingStep2PasswordView(m_context))
                        : static_cast<QWidget*>(new BindingStep2SetupView(m_context, false));
    } else if (step == 3) {
        m_step = parent ? static_cast<QWidget*>(new BindingStep2SetupView(m_context, true))
                        : static_cast<QWidget*>(new BindingStep3SummaryView(m_context));
    } else if (step == 4 && parent) {
        m_step = new BindingStep4ParentSummaryView(m_context);
    } else {
        m_step = new QWidget;
    }
    m_step->setObjectName(u"wizardStep%1"_s.arg(step));
    m_stepHolder->addWidget(m_step);
    refreshChrome();
}

void MacRemoteBindingWizardView::refreshChrome()
{
    // Choosing the role on step 1 switches the path without changing the step.
    if (m_viewModel->isParent != m_shownParent && m_viewModel->currentStep() > 1) {
        rebuildStep();
        return;
    }
    m_shownParent = m_viewModel->isParent;
    const int step = m_viewModel->currentStep();
    const int total = m_viewModel->isParent ? 4 : 3;
    QStringList dots;
    for (int i = 1; i <= total; ++i) {
        dots << (i == step ? u"●"_s : u"○"_s);
    }
    static_cast<QLabel*>(m_stepIndicator)->setText(dots.join(u" ─ "_s));
    m_back->setVisible(step >= 2);
    m_forward->setText(m_viewModel->isLastStep() ? L10n::localized("完成") : L10n::localized("下一步"));
    m_forward->setEnabled(!m_viewModel->isForwardDisabled(m_passwordStore.hasPassword()));
}

void MacRemoteBindingWizardView::refreshMessages()
{
    const auto error = m_viewModel->errorMessage();
    const auto success = m_viewModel->successMessage();
    m_error->setText(error.value_or(QString()));
    // A step that shows the error beside its own button keeps it there alone.
    m_error->setVisible(error.has_value() && !(m_step && m_step->findChild<QLabel*>(u"setupError"_s)));
    m_success->setText(success.value_or(QString()));
    m_success->setVisible(success.has_value());
}

void MacRemoteBindingWizardView::syncSheets()
{
    if (m_viewModel->isShowingClearBindingVerify() && !m_clearSheet) {
        m_clearSheet = new BindingClearBindingSheetView(m_context, this);
        m_clearSheet->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_clearSheet, &QDialog::rejected, m_viewModel,
                [this] { m_viewModel->setShowingClearBindingVerify(false); });
        connect(m_clearSheet, &QObject::destroyed, this, [this] { m_clearSheet = nullptr; });
        m_clearSheet->open();
    } else if (!m_viewModel->isShowingClearBindingVerify() && m_clearSheet) {
        m_clearSheet->close();
    }

    if (m_sheetOpen) {
        return;
    }
    QDialog* sheet = nullptr;
    if (const auto device = m_viewModel->selectedChildForRuleSettingsInWizard();
        device && ruleSettingsSheet) {
        sheet = ruleSettingsSheet(*device, this);
    } else if (const auto id = m_viewModel->wizardUnlockFilterDeviceId();
               id && m_viewModel->isShowingUnlockRequestsInWizard() && unlockRequestsSheet) {
        sheet = unlockRequestsSheet(*id, this);
    }
    if (!sheet) {
        return;
    }
    m_sheetOpen = true;
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &QDialog::finished, this, [this] {
        m_sheetOpen = false;
        m_viewModel->setSelectedChildForRuleSettingsInWizard(std::nullopt);
        m_viewModel->setShowingUnlockRequestsInWizard(false);
        if (auto* summary = qobject_cast<BindingStep4ParentSummaryView*>(m_step)) {
            summary->reload();
        }
    });
    sheet->open();
}
