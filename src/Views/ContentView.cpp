#include "Views/ContentView.h"

#include "Models/L10n.h"
#include "Models/MacAppSelectionStore.h"
#include "Models/NamedTexts.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/InstalledApps.h"
#include "Platform/UserDefaults.h"
#include "Services/ContentViewModel.h"
#include "Services/MacUnlockRequestState.h"
#include "Services/MacUsageMonitorService.h"
#include "Views/AlertPresenter.h"
#include "Views/HomePanelView.h"
#include "Views/MacAboutView.h"
#include "Views/MacAppSelectionView.h"
#include "Views/MacBackendURLSettingsView.h"
#include "Views/MacChildRuleSettingsView.h"
#include "Views/MacEyeRestSettingsView.h"
#include "Views/MacFeedbackView.h"
#include "Views/MacHelpView.h"
#include "Views/MacLockCoordinator.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacMoreMenuSheet.h"
#include "Views/MacParentInvitationView.h"
#include "Views/MacRemoteBindingWizardView.h"
#include "Views/MacTermsPrivacyConsentView.h"
#include "Views/MacUnlockRequestsView.h"
#include "Views/MacVerifyPasswordView.h"
#include "Views/ParentPasswordGate.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <memory>

using namespace Qt::StringLiterals;

ContentView::ContentView(Stores stores, Lock lock, HostPlatform platform, AlertPresenter& alerts,
                         QWidget* parent)
    : QWidget(parent)
    , m_stores(stores)
    , m_lock(lock)
    , m_platform(platform)
    , m_alerts(alerts)
    , m_viewModel(new ContentViewModel(
          lock.overlay, lock.unlockRequests,
          [&monitor = lock.usageMonitor] { return monitor.todayUsageMinutes(); }, this))
{
    setObjectName(u"contentView"_s);
    setAutoFillBackground(true);
    installDefaultSheets();

    HomePanelView::Callbacks callbacks;
    callbacks.onAppSelection = [this] { openAppSelection(); };
    callbacks.onEyeRestSettings = [this] {
        auto* sheet = new MacEyeRestSettingsView(m_stores.policyStore, m_stores.passwordStore, this);
        sheet->setAttribute(Qt::WA_DeleteOnClose);
        sheet->open();
    };
    callbacks.onRemoteBinding = [this] { openRemoteBinding(); };
    callbacks.onChildUnlock = [this] { openChildUnlock(); };
    callbacks.onMoreMenu = [this] { presentSheet(moreMenuSheet ? moreMenuSheet(this) : nullptr); };
    callbacks.onRuleSettings = [this](const DeviceListItem& device) {
        presentSheet(ruleSettingsSheet ? ruleSettingsSheet(device, this) : nullptr, true);
    };
    callbacks.onRenameDevice = [this](const DeviceListItem& device) { openRename(device); };
    callbacks.onUnlockRequests = [this](const DeviceListItem& device) {
        presentSheet(unlockRequestsSheet ? unlockRequestsSheet(device.id, this) : nullptr, true);
    };
    callbacks.onUnlockRequest = [this] { m_viewModel->handleUnlockRequest(m_stores.backendConfig); };
    callbacks.isOverlayShowing = [this] { return m_lock.overlay.isShowing(); };
    callbacks.lacksParentPassword = [this] {
        return m_stores.backendConfig.isBoundToBackend() && !m_stores.passwordStore.hasPassword();
    };
    callbacks.onSetPassword = [this] { openPasswordSetup(); };
    callbacks.lacksDesktopExtension = [this] { return m_platform.workspace.desktopExtensionMissing(); };

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    m_panel
        = new HomePanelView(*m_viewModel, stores.policyStore, stores.appSelectionStore, stores.backendConfig,
                            lock.usageMonitor, lock.unlockRequests, platform.notifications, callbacks);
    scroll->setWidget(m_panel);
    layout->addWidget(scroll);

    connect(&lock.overlay, &MacLockOverlayController::isShowingChanged, m_panel, &HomePanelView::refresh);
    // An answer belongs to the lock it was asked from; the next lock starts without it.
    connect(&lock.overlay, &MacLockOverlayController::isShowingChanged, this, [this] {
        if (!m_lock.overlay.isShowing()) {
            m_lock.overlay.coordinator().setStatusText(QString());
        }
    });
    connect(&stores.passwordStore, &ParentalPasswordStore::hasPasswordChanged, m_panel,
            &HomePanelView::refresh);
    connect(m_viewModel, &ContentViewModel::isShowingUnlockRequestAlertChanged, this, [this] {
        if (m_viewModel->isShowingUnlockRequestAlert()) {
            QTimer::singleShot(0, this, &ContentView::showUnlockRequestAlert);
        }
    });
    connect(m_viewModel, &ContentViewModel::isDiagnosticsVisibleChanged, this, [this] {
        if (m_viewModel->isDiagnosticsVisible()) {
            QTimer::singleShot(0, this, &ContentView::showDiagnosticsAlert);
        }
    });
    connect(m_viewModel, &ContentViewModel::devicePendingRenameChanged, this, &ContentView::syncRenameSheet);
    showConsentIfNeeded();
}

ContentView::~ContentView()
{
    // The overlay outlives this screen; its buttons must not reach a screen that is gone.
    m_lock.overlay.coordinator().onUnlockRequest = nullptr;
    m_lock.overlay.coordinator().onPasswordUnlock = nullptr;
    m_lock.overlay.coordinator().onParentPassword = nullptr;
}

void ContentView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_setupDone) {
        onAppearSetup();
    }
}

void ContentView::onAppearSetup()
{
    if (m_setupDone) {
        return;
    }
    m_setupDone = true;
    MacLockCoordinator& coordinator = m_lock.overlay.coordinator();
    coordinator.onUnlockRequest = [this] { m_viewModel->handleUnlockRequest(m_stores.backendConfig); };
    coordinator.onPasswordUnlock = [this] { openChildUnlock(); };
    // Typed into the compositor's lock layer instead of this screen's password sheet.
    coordinator.onParentPassword = [this](const QString& password) {
        const auto refused = MacVerifyPasswordView::refusal(m_stores.passwordStore, password);
        if (refused.isEmpty()) {
            m_viewModel->handleLocalUnlock(m_stores.policyStore, m_stores.appSelectionStore,
                                           m_stores.backendConfig);
        }
        return refused;
    };
    // A declined request is told on the lock screen in place of the earlier "sent".
    connect(&m_lock.unlockRequests, &MacUnlockRequestState::changed, this, [this] {
        if (m_lock.unlockRequests.isRejected()) {
            m_lock.overlay.coordinator().setStatusText(QString());
        }
    });

    RemoteBackendConfig& config = m_stores.backendConfig;
    if (config.role() == RemoteDeviceRole::parent && !config.familyCode().isEmpty()) {
        m_viewModel->refreshChildDevicesForHome(config);
    }
    // A child's synchronisation belongs to the application's enforcement, which follows the
    // role and the binding.
    m_lock.unlockRequests.followAnswers(config);
}

void ContentView::showConsentIfNeeded()
{
    if (UserDefaults::standard().boolean(consentKey).value_or(false)) {
        return;
    }
    auto* consent = new MacTermsPrivacyConsentView(this);
    m_consent = consent;
    connect(consent, &MacTermsPrivacyConsentView::agreed, this, [this] {
        UserDefaults::standard().setBoolean(consentKey, true);
        m_consent->deleteLater();
        m_consent = nullptr;
    });
    m_consent->setGeometry(rect());
    m_consent->raise();
    // Covers the whole window, whatever its size.
    class Follow final : public QObject
    {
    public:
        using QObject::QObject;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Resize) {
                static_cast<QWidget*>(parent())->setGeometry(static_cast<QWidget*>(watched)->rect());
            }
            return false;
        }
    };
    installEventFilter(new Follow(m_consent));
}

namespace {

// Every secondary screen asks to be closed through the same signal; closing deletes it.
template <typename Sheet> Sheet* closingOnDismiss(Sheet* sheet)
{
    QObject::connect(sheet, &Sheet::dismissRequested, sheet, &QDialog::accept);
    return sheet;
}

} // namespace

void ContentView::installDefaultSheets()
{
    RemoteBackendConfig& config = m_stores.backendConfig;
    ruleSettingsSheet
        = [&config, &alerts = m_alerts](const DeviceListItem& device, QWidget* parent) -> QDialog* {
        return closingOnDismiss(new MacChildRuleSettingsView(device, config, alerts, parent));
    };
    unlockRequestsSheet = [&config](const QString& deviceId, QWidget* parent) -> QDialog* {
        return closingOnDismiss(new MacUnlockRequestsView(config, deviceId, parent));
    };
    moreMenuSheet = [this, &config](QWidget* parent) -> QDialog* {
        auto menu = std::make_shared<QPointer<QDialog>>();
        // Help, feedback and about open over the menu; the backend address replaces it.
        const auto overMenu = [this, menu]() -> QWidget* {
            return *menu ? static_cast<QWidget*>(menu->data()) : static_cast<QWidget*>(this);
        };
        MacMoreMenuSheet::Callbacks callbacks;
        callbacks.onDismiss = [menu] {
            if (*menu) {
                (*menu)->accept();
            }
        };
        callbacks.onHelp = [this, overMenu] { presentSheet(closingOnDismiss(new MacHelpView(overMenu()))); };
        callbacks.onFeedback = [this, overMenu, &config] {
            presentSheet(
                closingOnDismiss(new MacFeedbackView(config, m_platform.bundle, m_alerts, overMenu())));
        };
        callbacks.onAbout = [this, overMenu, &config] {
            presentSheet(closingOnDismiss(new MacAboutView(config, m_platform.bundle, overMenu())));
        };
        callbacks.onInviteParent = [this, overMenu, &config] {
            presentSheet(closingOnDismiss(new MacParentInvitationView(config, overMenu())));
        };
        callbacks.onBackendURL = [this, &config] {
            // Another address takes a bound child away from its parents' rules (to an address that
            // answers nothing, or to a server of its own), so only a parent may change it there.
            if (config.role() == RemoteDeviceRole::child && config.isBoundToBackend()
                && !ParentPasswordGate::confirm(m_stores.passwordStore, m_alerts,
                                                L10n::localized("修改服务地址需要家长密码。"))) {
                return;
            }
            presentSheet(closingOnDismiss(new MacBackendURLSettingsView(config, this)));
        };
        auto* sheet = new MacMoreMenuSheet(config, std::move(callbacks), parent);
        *menu = sheet;
        return sheet;
    };
}

void ContentView::presentSheet(QDialog* sheet, bool refreshesDevices)
{
    if (!sheet) {
        return;
    }
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    if (refreshesDevices) {
        // A rule sheet may have removed the child and a review may have settled its requests.
        connect(sheet, &QDialog::finished, this, [this] {
            RemoteBackendConfig& config = m_stores.backendConfig;
            if (config.role() == RemoteDeviceRole::parent && !config.familyCode().isEmpty()) {
                m_viewModel->refreshChildDevicesForHome(config);
            }
        });
    }
    sheet->open();
}

void ContentView::openRemoteBinding()
{
    auto holder = std::make_shared<QPointer<QDialog>>();
    auto* wizard = new MacRemoteBindingWizardView(
        m_stores.backendConfig, m_stores.appSelectionStore, m_stores.passwordStore, m_stores.policyStore,
        m_platform.workspace, m_alerts,
        [holder] {
            if (*holder) {
                (*holder)->accept();
            }
        },
        this);
    *holder = wizard;
    wizard->setAttribute(Qt::WA_DeleteOnClose);
    wizard->ruleSettingsSheet = ruleSettingsSheet;
    wizard->unlockRequestsSheet = unlockRequestsSheet;
    connect(wizard, &QDialog::finished, m_panel, &HomePanelView::refresh);
    wizard->open();
}

void ContentView::openAppSelection()
{
    // Unticking a game frees it at once, so on a child computer only a parent may do it.
    if (m_stores.backendConfig.role() == RemoteDeviceRole::child
        && !ParentPasswordGate::confirm(m_stores.passwordStore, m_alerts,
                                        L10n::localized("修改受控应用需要家长密码。"))) {
        return;
    }
    auto* sheet = new MacAppSelectionView(m_stores.appSelectionStore, InstalledApps::platform(),
                                          m_platform.workspace, this);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->open();
}

void ContentView::openChildUnlock()
{
    if (m_passwordSheet) {
        m_passwordSheet->raise();
        return;
    }
    auto holder = std::make_shared<QPointer<QDialog>>();
    auto* sheet = new MacVerifyPasswordView(
        m_stores.passwordStore,
        [this, holder] {
            m_viewModel->handleLocalUnlock(m_stores.policyStore, m_stores.appSelectionStore,
                                           m_stores.backendConfig);
            if (*holder) {
                (*holder)->accept();
            }
        },
        this);
    *holder = sheet;
    m_passwordSheet = sheet;
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &QObject::destroyed, this, [this] { m_passwordSheet = nullptr; });
    m_lock.overlay.presentAboveOverlay(sheet);
    sheet->open();
}

void ContentView::openPasswordSetup()
{
    // Only where none exists: replacing a password is the binding wizard's, behind the old one.
    if (m_stores.passwordStore.refresh() != ParentalPasswordStore::State::none) {
        m_panel->refresh();
        return;
    }
    auto* sheet = new QDialog(this);
    sheet->setObjectName(u"passwordSetupSheet"_s);
    sheet->setWindowTitle(L10n::localized("设置家长密码"));
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    sheet->setMinimumWidth(340);
    auto* layout = new QVBoxLayout(sheet);
    auto* heading = new QLabel(L10n::localized("设置家长密码"));
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);
    auto* hint
        = new QLabel(L10n::localized("解锁、修改受控应用、更改角色和退出都需要这个密码。请不要告诉孩子。"));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    const auto field = [&](const QString& name, const QString& placeholder) {
        auto* edit = new QLineEdit;
        edit->setObjectName(name);
        edit->setEchoMode(QLineEdit::Password);
        edit->setPlaceholderText(placeholder);
        layout->addWidget(edit);
        return edit;
    };
    auto* password = field(u"newPassword"_s, L10n::localized("请输入密码"));
    auto* confirm = field(u"confirmPassword"_s, L10n::localized("再次输入密码"));
    auto* error = new QLabel;
    error->setObjectName(u"passwordSetupError"_s);
    error->setProperty("role", u"error"_s);
    layout->addWidget(error);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = new QPushButton(L10n::localized("取消"));
    cancel->setAutoDefault(false);
    auto* save = new QPushButton(L10n::localized("保存"));
    save->setObjectName(u"passwordSetupSave"_s);
    save->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(save);
    layout->addLayout(buttons);
    connect(cancel, &QPushButton::clicked, sheet, &QDialog::reject);
    connect(save, &QPushButton::clicked, sheet, [this, sheet, password, confirm, error] {
        if (password->text().isEmpty()) {
            error->setText(L10n::localized("请输入密码"));
        } else if (password->text() != confirm->text()) {
            error->setText(L10n::localized("两次输入不一致，请重试"));
        } else {
            m_stores.passwordStore.setupPassword(password->text());
            sheet->accept();
        }
    });
    sheet->open();
}

void ContentView::openRename(const DeviceListItem& device)
{
    m_viewModel->setDevicePendingRename(device);
}

void ContentView::syncRenameSheet()
{
    const auto device = m_viewModel->devicePendingRename();
    if (!device) {
        if (m_renameSheet) {
            m_renameSheet->accept();
        }
        return;
    }
    if (m_renameSheet) {
        return;
    }
    auto* sheet = new QDialog(this);
    sheet->setObjectName(u"renameSheet"_s);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(sheet);
    auto* heading = new QLabel(L10n::localized("修改设备昵称"));
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    layout->addWidget(heading);
    auto* draft = new QLineEdit(device->name);
    draft->setObjectName(u"renameDraft"_s);
    draft->setPlaceholderText(NamedTexts::parentNicknamePlaceholder());
    layout->addWidget(draft);
    auto* error = new QLabel;
    error->setProperty("role", u"error"_s);
    error->setWordWrap(true);
    layout->addWidget(error);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    auto* cancel = new QPushButton(L10n::localized("取消"));
    cancel->setObjectName(u"renameCancel"_s);
    auto* save = new QPushButton(L10n::localized("保存"));
    save->setObjectName(u"renameSave"_s);
    save->setDefault(true);
    buttons->addWidget(cancel);
    buttons->addWidget(save);
    layout->addLayout(buttons);
    sheet->setMinimumWidth(340);
    connect(cancel, &QPushButton::clicked, this,
            [this] { m_viewModel->setDevicePendingRename(std::nullopt); });
    connect(save, &QPushButton::clicked, this, [this, draft, device] {
        m_viewModel->saveRenamedChildDevice(*device, draft->text(), m_stores.backendConfig);
    });
    connect(m_viewModel, &ContentViewModel::childDevicesErrorChanged, error,
            [this, error] { error->setText(m_viewModel->childDevicesError().value_or(QString())); });
    connect(sheet, &QDialog::rejected, this, [this] { m_viewModel->setDevicePendingRename(std::nullopt); });
    connect(sheet, &QObject::destroyed, this, [this] { m_renameSheet = nullptr; });
    m_renameSheet = sheet;
    sheet->open();
}

void ContentView::showUnlockRequestAlert()
{
    if (!m_viewModel->isShowingUnlockRequestAlert()) {
        return;
    }
    const QString answer = m_viewModel->unlockRequestMessage().value_or(QString());
    if (m_lock.overlay.isShowing()) {
        m_lock.overlay.coordinator().setStatusText(answer);
        m_viewModel->setShowingUnlockRequestAlert(false);
        return;
    }
    AlertPresenter::Alert alert;
    alert.message = L10n::localized("解锁申请");
    alert.informativeText = answer;
    alert.buttons = { L10n::localized("我知道了") };
    m_alerts.runModal(alert);
    m_viewModel->setShowingUnlockRequestAlert(false);
}

void ContentView::showDiagnosticsAlert()
{
    if (!m_viewModel->isDiagnosticsVisible()) {
        return;
    }
    AlertPresenter::Alert alert;
    alert.message = L10n::localized("自检结果");
    alert.informativeText = m_viewModel->diagnosticsMessage();
    alert.buttons = { L10n::localized("我知道了") };
    m_alerts.runModal(alert);
    m_viewModel->setDiagnosticsVisible(false);
}
