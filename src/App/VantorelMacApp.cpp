#include "App/VantorelMacApp.h"

#include "App/MacChildGuard.h"
#include "App/MacChildGuardDelegate.h"
#include "Models/AppLanguageStore.h"
#include "Models/MacAppSelectionStore.h"
#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyRepository.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/Clock.h"
#include "Platform/SqliteUserDefaults.h"
#include "Platform/UserDefaults.h"
#include "Services/MacLocalLockGuard.h"
#include "Services/MacUnlockRequestState.h"
#include "Services/MacUsageMonitorService.h"
#include "Views/ContentView.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacLockWarningBanner.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

VantorelMacApp::VantorelMacApp(QApplication& application, Settings settings, QObject* parent)
    : QObject(parent)
    , m_application(application)
{
    if (settings == Settings::file) {
        m_defaults = std::make_unique<SqliteUserDefaults>(SqliteUserDefaults::defaultFilePath());
        UserDefaults::setStandard(m_defaults.get());
    }
    m_childGuardDelegate = new MacChildGuardDelegate(this);
    m_childGuardDelegate->attach(application);
}

VantorelMacApp::~VantorelMacApp()
{
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
        m_passwordStore
            = std::make_unique<ParentalPasswordStore>(std::make_unique<ParentalPasswordRepository>());
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
        m_backendConfig = std::make_unique<RemoteBackendConfig>();
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
        auto* layout = new QVBoxLayout(m_window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        m_contentView = new ContentView({ policy, password, selection, config, language });
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

void VantorelMacApp::launch()
{
    window().show();
    MacUnlockRequestState::shared().watch(policyStore());
    if (backendConfig().role() == RemoteDeviceRole::child && backendConfig().isBoundToBackend()) {
        // Enforces the stored rules whether or not the family server can be reached.
        MacLockOverlayController::shared();
        auto* guard = new MacLocalLockGuard(backendConfig(), policyStore(), appSelectionStore(),
                                            MacUsageMonitorService::shared(), UserDefaults::standard(),
                                            Clock::current(), this);
        guard->presentBanner = [](const QString& text) { MacLockWarningBanner::present(text); };
        guard->start();
    }
    // Asked only by a child's synchronisation, which may begin later in this run (binding).
    ChildGuardState::setProbe(&MacChildGuard::hostGuardState);
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
    const bool startsAtLogin = MacChildGuard::startsAtLogin();
    UserDefaults::setStandard(nullptr);
    return startsAtLogin;
}
