// Renders the application's screens into PNG files, for looking at them: the home screen of each
// role, every step of the binding wizard on both paths, the parent's sheets and the more menu's
// screens, the app selection and the lock screen, in the language given (zh-Hans or en).
// Runs on a real (virtual) X display with a family server of its own; scripts/screenshots.sh
// starts it.
#include "App/VantorelMacApp.h"
#include "Models/L10n.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/HostPlatform.h"
#include "Platform/InstalledApps.h"
#include "Platform/UserDefaults.h"
#include "Protocol/UnlockRecords.h"
#include "Services/BindingViewModel.h"
#include "Services/ContentViewModel.h"
#include "Services/MacChildRuleSettingsViewModel.h"
#include "Services/MacEyeRest.h"
#include "Services/MacPolicyExecutor.h"
#include "Services/MacUnlockRequestState.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Views/ContentView.h"
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
#include "Views/MacLockOverlayWindow.h"
#include "Views/MacLockWarningBanner.h"
#include "Views/MacMoreMenuSheet.h"
#include "Views/MacRemoteBindingWizardView.h"
#include "Views/MacUnlockRequestsView.h"
#include "support/AwaitTask.h"
#include "support/LoopbackFamilyServer.h"
#include "support/MemorySecureStore.h"
#include "support/MemoryUserDefaults.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <cstdio>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString g_outDir;
QString g_language;
int g_failures = 0;

void settle(int ms = 300)
{
    QTest::qWait(ms);
}

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < timeoutMs) {
        QTest::qWait(50);
    }
    return condition();
}

void shoot(QWidget* widget, const QString& name)
{
    settle();
    const QString path = g_outDir + u"/"_s + name + u".png"_s;
    if (!widget || !widget->grab().save(path)) {
        std::fprintf(stderr, "could not save %s\n", qPrintable(path));
        ++g_failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

void click(QWidget* root, const QString& name)
{
    auto* button = root->findChild<QPushButton*>(name);
    if (!button) {
        std::fprintf(stderr, "no button %s\n", qPrintable(name));
        ++g_failures;
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
    settle(100);
}

void type(QWidget* root, const QString& name, const QString& text)
{
    auto* field = root->findChild<QLineEdit*>(name);
    if (!field) {
        std::fprintf(stderr, "no field %s\n", qPrintable(name));
        ++g_failures;
        return;
    }
    field->insert(text);
}

MacRemoteBindingWizardView* openWizard(VantorelMacApp& app)
{
    app.contentView().openRemoteBinding();
    settle();
    return app.contentView().findChild<MacRemoteBindingWizardView*>();
}

template <typename Sheet> Sheet* openedSheet(QWidget* root)
{
    waitUntil([&] { return root->findChild<Sheet*>() != nullptr; }, 3000);
    return root->findChild<Sheet*>();
}

template <typename Sheet> void shootAndClose(QWidget* root, const QString& name)
{
    Sheet* sheet = openedSheet<Sheet>(root);
    settle(600);
    shoot(sheet, name);
    if (sheet) {
        sheet->reject();
    }
    settle();
}

// The sheets a parent opens from the dashboard and the more menu.
void parentSheets(VantorelMacApp& app)
{
    QWidget* root = &app.window();
    click(root, u"ruleSettings"_s);
    shootAndClose<MacChildRuleSettingsView>(root, u"05-parent-rule-settings"_s);
    click(root, u"unlockRequests"_s);
    shootAndClose<MacUnlockRequestsView>(root, u"06-parent-unlock-requests"_s);

    // The same child with 20 minutes granted, and a daily limit the editor refuses.
    const auto client = RemoteAPIClient::make(app.backendConfig());
    const auto pending
        = AwaitTask::run(client->fetchUnlockRequests(app.backendConfig().familyCode(), u"pending"_s));
    if (pending.value && !pending.value->isEmpty()) {
        AwaitTask::run(client->decideUnlockRequest(pending.value->first().id, u"approve"_s, 20));
    }
    click(root, u"ruleSettings"_s);
    if (auto* rules = openedSheet<MacChildRuleSettingsView>(root)) {
        waitUntil([&] { return !rules->model().isLoading(); });
        rules->findChild<QLineEdit*>(u"dailyLimit"_s)->selectAll();
        type(rules, u"dailyLimit"_s, u"5000"_s);
    }
    shootAndClose<MacChildRuleSettingsView>(root, u"18-parent-rule-settings-unlocked-invalid"_s);

    const auto fromMenu = [&](const QString& row) {
        click(root, u"moreButton"_s);
        auto* menu = openedSheet<MacMoreMenuSheet>(root);
        if (row.isEmpty()) {
            shoot(menu, u"07-more-menu"_s);
        } else if (menu) {
            click(menu, row);
        }
        return menu;
    };
    const auto closeMenu = [](QDialog* menu) {
        if (menu) {
            menu->reject();
        }
        settle();
    };
    closeMenu(fromMenu(QString()));
    QDialog* menu = fromMenu(u"row1"_s);
    shootAndClose<MacHelpView>(root, u"08-help"_s);
    closeMenu(menu);
    menu = fromMenu(u"row2"_s);
    shootAndClose<MacFeedbackView>(root, u"09-feedback"_s);
    closeMenu(menu);
    menu = fromMenu(u"row3"_s);
    shootAndClose<MacAboutView>(root, u"16-about"_s);
    closeMenu(menu);
    fromMenu(u"row0"_s);
    shootAndClose<MacBackendURLSettingsView>(root, u"17-backend-address"_s);
}

// A parent computer from first launch to its home screen; returns the family code.
QString parentScenario(const QString& baseUrl)
{
    MemoryUserDefaults defaults;
    MemorySecureStore keychain;
    defaults.setString(L10n::languageKey, g_language);
    QApplication& application = *qApp;
    const auto native = HostPlatform::native();
    VantorelMacApp app(application, VantorelMacApp::Settings::installed,
                       { native.workspace, native.processes, native.notifications, native.bundle,
                         native.guardInstaller, native.admin, native.session, keychain, native.network });
    app.backendConfig().setBaseURLOverride(baseUrl);
    app.window().show();
    shoot(&app.window(), u"01-consent"_s);
    click(&app.window(), u"agree"_s);
    shoot(&app.window(), u"02-home-first-use"_s);

    auto* wizard = openWizard(app);
    click(wizard, u"roleParentButton"_s);
    shoot(wizard, u"10-wizard-parent-1-role"_s);
    click(wizard, u"wizardForward"_s);
    shoot(wizard, u"11-wizard-parent-2-password"_s);
    type(wizard, u"passwordInput"_s, u"1234"_s);
    type(wizard, u"passwordConfirm"_s, u"1234"_s);
    click(wizard, u"setPasswordButton"_s);
    shoot(wizard, u"12-wizard-parent-2-password-set"_s);
    click(wizard, u"wizardForward"_s);
    type(wizard, u"deviceNameInput"_s, u"爸爸的 Mac"_s);
    shoot(wizard, u"13-wizard-parent-3-family"_s);
    click(wizard, u"createFamilyButton"_s);
    waitUntil([&] { return wizard->viewModel().currentStep() == 4; });
    const QString code = app.backendConfig().familyCode();
    // A child joins and asks for more time, so that the summary has something to list.
    const auto client = RemoteAPIClient::make(app.backendConfig());
    auto child = AwaitTask::run(client->registerDevice(code, RemoteDeviceRole::child, u"小明的 Mac"_s));
    if (child.value) {
        AwaitTask::run(client->requestUnlock(child.value->deviceId, std::nullopt, std::nullopt));
        PutDeviceHealthPayload health { true, true, true, false, u"mac"_s };
        health.guardState = u"notInstalled"_s;
        health.enforcementMode = u"processOnly"_s;
        AwaitTask::run(client->putDeviceHealth(child.value->deviceId, health));
    }
    click(wizard, u"parentSummaryRefresh"_s);
    waitUntil([&] { return !wizard->viewModel().wizardChildDevices().isEmpty(); });
    shoot(wizard, u"14-wizard-parent-4-summary"_s);
    wizard->viewModel().goBack();
    shoot(wizard, u"15-wizard-parent-3-bound"_s);
    wizard->accept();
    settle();

    app.contentView().viewModel().refreshChildDevicesForHome(app.backendConfig());
    waitUntil([&] { return !app.contentView().viewModel().childDevices().isEmpty(); });
    shoot(&app.window(), u"03-home-parent"_s);
    parentSheets(app);
    return code;
}

// This computer's desktop, except that it can be told to say what a GNOME desktop on Wayland
// without the Shell extension says, so that the child's notice can be looked at under X11.
class ExtensionSwitch final : public Workspace
{
public:
    explicit ExtensionSwitch(Workspace& inner)
        : m_inner(inner)
    {
    }

    bool missing = false;

    std::optional<RunningApplication> frontmostApplication() override
    {
        return m_inner.frontmostApplication();
    }
    QList<RunningApplication> runningApplications() override { return m_inner.runningApplications(); }
    bool hide(const RunningApplication& application) override { return m_inner.hide(application); }
    void activate(const QList<quintptr>& ownWindows) override { m_inner.activate(ownWindows); }
    void raise(const QList<quintptr>& ownWindows) override { m_inner.raise(ownWindows); }
    bool holdPointer(QWindow& window) override { return m_inner.holdPointer(window); }
    void releasePointer(QWindow& window) override { m_inner.releasePointer(window); }
    LockCover coverOf(const QList<quintptr>& ownWindows) override { return m_inner.coverOf(ownWindows); }
    void watchWindows(std::function<void()> onChange) override { m_inner.watchWindows(std::move(onChange)); }
    QIcon iconForFile(const QString& path) override { return m_inner.iconForFile(path); }
    QString hostName() override { return m_inner.hostName(); }
    QString osVersion() override { return m_inner.osVersion(); }
    std::optional<QString> ownBundleIdentifier() override { return m_inner.ownBundleIdentifier(); }
    bool desktopExtensionMissing() override { return missing; }

private:
    Workspace& m_inner;
};

void childScenario(const QString& baseUrl, const QString& code)
{
    auto native = HostPlatform::native();
    ExtensionSwitch workspace(native.workspace);
    MemoryUserDefaults defaults;
    MemorySecureStore keychain;
    defaults.setBoolean(ContentView::consentKey, true);
    defaults.setString(L10n::languageKey, g_language);
    VantorelMacApp app(*qApp, VantorelMacApp::Settings::installed,
                       { workspace, native.processes, native.notifications, native.bundle,
                         native.guardInstaller, native.admin, native.session, keychain, native.network });
    app.backendConfig().setBaseURLOverride(baseUrl);
    app.window().show();

    auto* wizard = openWizard(app);
    click(wizard, u"roleChildButton"_s);
    shoot(wizard, u"20-wizard-child-1-role"_s);
    click(wizard, u"wizardForward"_s);
    type(wizard, u"familyCodeInput"_s, code);
    type(wizard, u"deviceNameInput"_s, u"小红的 Mac"_s);
    shoot(wizard, u"21-wizard-child-2-join"_s);
    click(wizard, u"joinFamilyButton"_s);
    waitUntil([&] { return wizard->viewModel().currentStep() == 3; });
    shoot(wizard, u"22-wizard-child-3-summary"_s);
    wizard->accept();
    settle();
    shoot(&app.window(), u"04-home-child"_s);
    if (auto* home = app.contentView().findChild<HomePanelView*>()) {
        workspace.missing = true;
        home->refresh();
        shoot(&app.window(), u"04-home-child-without-gnome-extension"_s);
        workspace.missing = false;
        home->refresh();
    }

    auto* selection = new MacAppSelectionView(app.appSelectionStore(), InstalledApps::platform(),
                                              app.platform().workspace, &app.contentView());
    selection->setAttribute(Qt::WA_DeleteOnClose);
    selection->show();
    shoot(selection, u"30-app-selection"_s);
    selection->close();

    click(&app.contentView(), u"eyeRestSettingsButton"_s);
    if (auto* eyeRest = openedSheet<MacEyeRestSettingsView>(&app.contentView())) {
        type(eyeRest, u"password"_s, u"1234"_s);
        click(eyeRest, u"save"_s);
        shoot(eyeRest, u"31-eye-rest-settings"_s);
        eyeRest->reject();
        settle();
    }
    shoot(MacLockWarningBanner::present(MacEyeRest::breakStatusText(app.policyStore().policy(), 14 * 60 + 20),
                                        app.platform().workspace),
          u"41-eye-rest-banner"_s);

    ScreenTimePolicy policy = app.policyStore().policy();
    policy.forceLocked = true;
    MacLockOverlayController& lock = app.lockOverlay();
    lock.show(MacPolicyExecutor::LockReason::forceLocked, policy);
    settle(600);
    const auto windows = lock.overlayWindows();
    shoot(windows.isEmpty() ? nullptr : windows.first(), u"40-lock-overlay"_s);
    // The answers the lock screen gives in place of a box: a request sent, then declined.
    lock.coordinator().setStatusText(L10n::localized("已向家长发出解锁申请"));
    app.unlockRequests().markSent();
    settle();
    shoot(windows.isEmpty() ? nullptr : windows.first(), u"41-lock-overlay-request-sent"_s);
    UnlockRequest declined;
    declined.status = u"rejected"_s;
    declined.createdAt = u"2026-01-01T00:00:00Z"_s;
    app.unlockRequests().noteAnswers({ declined });
    lock.coordinator().setStatusText(QString());
    settle();
    shoot(windows.isEmpty() ? nullptr : windows.first(), u"42-lock-overlay-request-declined"_s);
    lock.hide();
    settle();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    g_outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"screenshots"_s;
    g_language = argc > 2 ? QString::fromLocal8Bit(argv[2]) : u"zh-Hans"_s;
    QDir().mkpath(g_outDir);
    LoopbackFamilyServer server;
    if (!server.start()) {
        std::fprintf(stderr, "family server: %s\n", qPrintable(server.errorString()));
        return 1;
    }
    const QString code = parentScenario(server.baseUrl());
    childScenario(server.baseUrl(), code);
    return g_failures == 0 ? 0 : 1;
}
