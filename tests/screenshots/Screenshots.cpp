// Renders the application's screens into PNG files, for looking at them: the home screen of each
// role, every step of the binding wizard on both paths, the app selection and the lock screen.
// Runs on a real (virtual) X display with a family server of its own; scripts/screenshots.sh
// starts it.
#include "App/VantorelMacApp.h"
#include "Models/RemoteBackendConfig.h"
#include "Models/ScreenTimePolicyStore.h"
#include "Platform/UserDefaults.h"
#include "Services/BindingViewModel.h"
#include "Services/ContentViewModel.h"
#include "Services/MacPolicyExecutor.h"
#include "Services/Network/RemoteAPIClient.h"
#include "Views/ContentView.h"
#include "Views/MacAppSelectionView.h"
#include "Views/MacLockOverlayController.h"
#include "Views/MacLockOverlayWindow.h"
#include "Views/MacRemoteBindingWizardView.h"
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

// A parent computer from first launch to its home screen; returns the family code.
QString parentScenario(const QString& baseUrl)
{
    MemoryUserDefaults defaults;
    MemorySecureStore keychain;
    QApplication& application = *qApp;
    VantorelMacApp app(application, VantorelMacApp::Settings::installed);
    app.backendConfig().setBaseURLOverride(baseUrl);
    app.window().show();
    shoot(&app.window(), u"01-consent"_s);
    click(&app.window(), u"consentAgreeButton"_s);
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
    return code;
}

void childScenario(const QString& baseUrl, const QString& code)
{
    MemoryUserDefaults defaults;
    MemorySecureStore keychain;
    defaults.setBoolean(ContentView::consentKey, true);
    VantorelMacApp app(*qApp, VantorelMacApp::Settings::installed);
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

    auto* selection = new MacAppSelectionView(app.appSelectionStore(), &app.contentView());
    selection->setAttribute(Qt::WA_DeleteOnClose);
    selection->show();
    shoot(selection, u"30-app-selection"_s);
    selection->close();

    ScreenTimePolicy policy = app.policyStore().policy();
    policy.forceLocked = true;
    MacLockOverlayController::shared().show(MacPolicyExecutor::LockReason::forceLocked, policy);
    settle(600);
    const auto windows = MacLockOverlayController::shared().overlayWindows();
    shoot(windows.isEmpty() ? nullptr : windows.first(), u"40-lock-overlay"_s);
    MacLockOverlayController::shared().hide();
    settle();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    g_outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"screenshots"_s;
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
