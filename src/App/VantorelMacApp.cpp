#include "App/VantorelMacApp.h"

#include "App/MacChildGuard.h"
#include "App/MacChildGuardDelegate.h"
#include "Models/AppLanguageStore.h"
#include "Models/L10n.h"
#include "Models/MacAppSelectionStore.h"
#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyRepository.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/Clock.h"
#include "Platform/SqliteUserDefaults.h"
#include "Platform/UserDefaults.h"
#include "Services/ChildEnforcement.h"
#include "Services/MacUnlockRequestState.h"
#include "Services/MacUsageMonitorService.h"
#include "Views/AlertPresenter.h"
#include "Views/AppStyleSheet.h"
#include "Views/ContentView.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacLockWarningBanner.h"
#include "Views/MessageBoxAlertPresenter.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

VantorelMacApp::VantorelMacApp(QApplication& application, Settings settings, HostPlatform platform,
                               AlertPresenter* alerts, QObject* parent)
    : QObject(parent)
    , m_application(application)
    , m_platform(platform)
{
    AppStyleSheet::apply(application);
    if (settings == Settings::file) {
        m_defaults = std::make_unique<SqliteUserDefaults>(SqliteUserDefaults::defaultFilePath());
        UserDefaults::setStandard(m_defaults.get());
    }
    if (!alerts) {
        m_alerts = std::make_unique<MessageBoxAlertPresenter>(settings == Settings::file ? &lockOverlay()
                                                                                         : nullptr);
        alerts = m_alerts.get();
    }
    m_alertPresenter = alerts;
    m_childGuardDelegate
        = new MacChildGuardDelegate(MacChildGuard(m_platform.guardInstaller, m_platform.admin,
                                                  m_platform.bundle, *m_alertPresenter, m_platform.keychain),
                                    m_platform.network, this);
    m_childGuardDelegate->attach(application);
}

VantorelMacApp::~VantorelMacApp()
{
    // Before the stores it works on.
    delete m_childEnforcement;
    m_childEnforcement = nullptr;
    m_window.reset();
    if (m_defaults) {
        UserDefaults::setStandard(nullptr);
    }
}

ScreenTimePolicyStore& VantorelMacApp::policyStore()
{
    if (!m_policyStore) {
        m_policyStore = std::make_unique<ScreenTimePolicyStore>(
            std::make_unique<ScreenTimePolicyRepository>(u"screenTimePolicy"_s));
    }
    return *m_policyStore;
}

ParentalPasswordStore& VantorelMacApp::passwordStore()
{
    if (!m_passwordStore) {
        m_passwordStore = std::make_unique<ParentalPasswordStore>(
            std::make_unique<ParentalPasswordRepository>(), m_platform.keychain, UserDefaults::standard());
    }
    return *m_passwordStore;
}

MacAppSelectionStore& VantorelMacApp::appSelectionStore()
{
    if (!m_appSelectionStore) {
        m_appSelectionStore = std::make_unique<MacAppSelectionStore>();
        m_appSelectionStore->load();
    }
    return *m_appSelectionStore;
}

RemoteBackendConfig& VantorelMacApp::backendConfig()
{
    if (!m_backendConfig) {
        m_backendConfig = std::make_unique<RemoteBackendConfig>(UserDefaults::standard(), m_platform.keychain,
                                                                m_platform.network);
    }
    return *m_backendConfig;
}

AppLanguageStore& VantorelMacApp::appLanguageStore()
{
    if (!m_appLanguageStore) {
        m_appLanguageStore = std::make_unique<AppLanguageStore>();
    }
    return *m_appLanguageStore;
}

MacUsageMonitorService& VantorelMacApp::usageMonitor()
{
    if (!m_usageMonitor) {
        m_usageMonitor = std::make_unique<MacUsageMonitorService>(UserDefaults::standard(), Clock::current(),
                                                                  m_platform.workspace, m_platform.processes,
                                                                  m_platform.session);
        m_usageMonitor->setMonotonicSource(&MacUsageMonitorService::steadyMilliseconds);
    }
    return *m_usageMonitor;
}

MacUnlockRequestState& VantorelMacApp::unlockRequests()
{
    if (!m_unlockRequests) {
        m_unlockRequests = std::make_unique<MacUnlockRequestState>();
    }
    return *m_unlockRequests;
}

MacLockOverlayController& VantorelMacApp::lockOverlay()
{
    if (!m_lockOverlay) {
        m_lockOverlay = std::make_unique<MacLockOverlayController>(m_platform.workspace, m_platform.processes,
                                                                   MacLockOverlayController::platformScreens,
                                                                   &unlockRequests());
    }
    return *m_lockOverlay;
}

QWidget& VantorelMacApp::window()
{
    if (!m_window) {
        ScreenTimePolicyStore& policy = policyStore();
        ParentalPasswordStore& password = passwordStore();
        MacAppSelectionStore& selection = appSelectionStore();
        RemoteBackendConfig& config = backendConfig();
        AppLanguageStore& language = appLanguageStore();
        m_window = std::make_unique<QWidget>();
        m_window->setObjectName(u"mainWindow"_s);
        m_window->setWindowTitle(QString());
        m_window->resize(defaultWindowSize);
        m_window->setLocale(language.effectiveLocale());
        m_window->installEventFilter(this);
        auto* layout = new QVBoxLayout(m_window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        m_contentView = new ContentView({ policy, password, selection, config, language },
                                        { lockOverlay(), unlockRequests(), usageMonitor() }, m_platform,
                                        *m_alertPresenter);
        layout->addWidget(m_contentView);
        QObject::connect(&language, &AppLanguageStore::overrideLanguageChanged, m_window.get(),
                         [this] { m_window->setLocale(appLanguageStore().effectiveLocale()); });
    }
    return *m_window;
}

ContentView& VantorelMacApp::contentView()
{
    window();
    return *m_contentView;
}

void VantorelMacApp::raiseWindow()
{
    QWidget& shown = window();
    shown.show();
    shown.setWindowState((shown.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    shown.raise();
    shown.activateWindow();
}

bool VantorelMacApp::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close && m_window && watched == m_window.get()
        && MacChildGuard::isChildRole() && m_childGuardDelegate->guard().isGuardOn()) {
        event->ignore();
        // The quit decision asks for the parent password; the window is still there if refused.
        QTimer::singleShot(0, &m_application, &QCoreApplication::quit);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

ChildEnforcement& VantorelMacApp::childEnforcement()
{
    if (!m_childEnforcement) {
        m_childEnforcement = new ChildEnforcement(backendConfig(), policyStore(), appSelectionStore(),
                                                  usageMonitor(), lockOverlay(), m_platform,
                                                  UserDefaults::standard(), Clock::current(), this);
        m_childEnforcement->setBannerPresenter(
            [this](const QString& text) { MacLockWarningBanner::present(text, m_platform.workspace); });
        connect(m_childEnforcement, &ChildEnforcement::deviceRemoved, this, [this] {
            // After the current step: the alert waits for a person.
            QTimer::singleShot(0, this, [this] {
                AlertPresenter::Alert alert;
                alert.message = L10n::localized("本设备已被家长移除");
                alert.informativeText = L10n::localized(
                    "本机不再受家庭规则约束。如需重新加入，请在“身份 / 基础设置”中输入家庭码。");
                alert.buttons = { L10n::localized("我知道了") };
                m_alertPresenter->runModal(alert);
            });
        });
    }
    return *m_childEnforcement;
}

void VantorelMacApp::launch()
{
    window().show();
    unlockRequests().watch(policyStore());
    childEnforcement().start();
    QTimer::singleShot(0, this, [this] { m_childGuardDelegate->applicationDidFinishLaunching(); });
}

bool VantorelMacApp::startsAtLogin()
{
    const QString path = SqliteUserDefaults::defaultFilePath();
    if (!QFileInfo(path).isFile()) {
        return false;
    }
    SqliteUserDefaults defaults(path);
    UserDefaults::setStandard(&defaults);
    const bool startsAtLogin = MacChildGuard::startsAtLogin(PlatformDefaults::guardInstaller());
    UserDefaults::setStandard(nullptr);
    return startsAtLogin;
}
