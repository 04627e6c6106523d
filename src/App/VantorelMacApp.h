#pragma once

#include "Platform/HostPlatform.h"

#include <QObject>
#include <QSize>

#include <memory>

class AlertPresenter;
class AppLanguageStore;
class ChildEnforcement;
class ContentView;
class MacAppSelectionStore;
class MacChildGuardDelegate;
class MacLockOverlayController;
class MacUnlockRequestState;
class MacUsageMonitorService;
class MessageBoxAlertPresenter;
class ParentalPasswordStore;
class QApplication;
class QWidget;
class RemoteBackendConfig;
class ScreenTimePolicyStore;
class UserDefaults;

// The application: its settings file, one instance of each store and of the lock screen for the
// whole process, the one window with the home screen, and the guard's launch step and quit
// decision. Everything else reaches these objects through its constructor.
class VantorelMacApp final : public QObject
{
    Q_OBJECT

public:
    enum class Settings
    {
        // The settings file at its usual place becomes the standard store, and alerts come up
        // as message boxes that know the lock screen.
        file,
        // The standard store already installed (a test's) is used.
        installed
    };
    // `platform`: the operating system's side; a test hands in its doubles, and `alerts` to answer
    // the questions every screen asks (message boxes when none is given).
    explicit VantorelMacApp(QApplication& application, Settings settings = Settings::file,
                            HostPlatform platform = HostPlatform::native(), AlertPresenter* alerts = nullptr,
                            QObject* parent = nullptr);
    ~VantorelMacApp() override;

    static constexpr QSize defaultWindowSize { 500, 600 };

    // Whether a start from the login entry (`--autostart`) goes on, read from the settings file at
    // its usual place. An account that never ran the application has no such file, and none is
    // created for it.
    static bool startsAtLogin();

    // Creates the stores on first use, in this order: policy, password, app selection, backend
    // configuration, language.
    ScreenTimePolicyStore& policyStore();
    ParentalPasswordStore& passwordStore();
    MacAppSelectionStore& appSelectionStore();
    RemoteBackendConfig& backendConfig();
    AppLanguageStore& appLanguageStore();
    // The lock screen and what it counts and waits for, made on first use.
    MacUsageMonitorService& usageMonitor();
    MacUnlockRequestState& unlockRequests();
    MacLockOverlayController& lockOverlay();
    HostPlatform platform() const { return m_platform; }

    // Builds the window (once) around the home screen.
    QWidget& window();
    ContentView& contentView();
    MacChildGuardDelegate& childGuardDelegate() const { return *m_childGuardDelegate; }

    // Starts, stops and keeps in step the child's enforcement as the role and binding change.
    ChildEnforcement& childEnforcement();

    // Shows the window, then runs the launch step once the event loop runs.
    void launch();
    // Shows the window again, in front (a later start of the application asks for it).
    void raiseWindow();

protected:
    // Closing the window on a guarded child is a request to quit: the window stays unless the
    // quit is allowed, so it is never gone while the application runs on.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QApplication& m_application;
    HostPlatform m_platform;
    std::unique_ptr<UserDefaults> m_defaults;
    MacChildGuardDelegate* m_childGuardDelegate = nullptr;
    std::unique_ptr<ScreenTimePolicyStore> m_policyStore;
    std::unique_ptr<ParentalPasswordStore> m_passwordStore;
    std::unique_ptr<MacAppSelectionStore> m_appSelectionStore;
    std::unique_ptr<RemoteBackendConfig> m_backendConfig;
    std::unique_ptr<AppLanguageStore> m_appLanguageStore;
    std::unique_ptr<MacUsageMonitorService> m_usageMonitor;
    std::unique_ptr<MacUnlockRequestState> m_unlockRequests;
    std::unique_ptr<MacLockOverlayController> m_lockOverlay;
    // Made when no presenter was handed in.
    std::unique_ptr<MessageBoxAlertPresenter> m_alerts;
    AlertPresenter* m_alertPresenter = nullptr;
    std::unique_ptr<QWidget> m_window;
    ContentView* m_contentView = nullptr;
    ChildEnforcement* m_childEnforcement = nullptr;
};
