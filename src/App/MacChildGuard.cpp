#include "App/MacChildGuard.h"

#include "Models/L10n.h"
#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Platform/AdminRunner.h"
#include "Platform/AppBundle.h"
#include "Platform/Clock.h"
#include "Platform/GuardInstaller.h"
#include "Platform/HostSystem.h"
#include "Platform/UserDefaults.h"
#include "Views/AlertPresenter.h"
#include "Views/ParentPasswordGate.h"

#include <QFile>

using namespace Qt::StringLiterals;

MacChildGuard::MacChildGuard(const GuardInstaller& installer, AdminRunner& admin, const AppBundle& bundle,
                             AlertPresenter& alerts, SecureStore& keychain)
    : m_installer(installer)
    , m_admin(admin)
    , m_bundle(bundle)
    , m_alerts(alerts)
    , m_keychain(keychain)
{
}

bool MacChildGuard::isChildRole()
{
    return UserDefaults::standard().string(roleKey) == u"child"_s;
}

bool MacChildGuard::isGuardOn(const GuardInstaller& installer)
{
    QFile marker(installer.markerFile());
    return marker.open(QIODevice::ReadOnly);
}

void MacChildGuard::installIfNeeded() const
{
    if (!isChildRole() || isGuardOn()) {
        return;
    }
    UserDefaults& defaults = UserDefaults::standard();
    const double now = static_cast<double>(Clock::current().now().toMSecsSinceEpoch()) / 1000.0;
    const double last = defaults.doubleValue(lastPromptKey).value_or(0);
    if (last > 0 && now - last < promptInterval) {
        return;
    }
    defaults.setDouble(lastPromptKey, now);
    const QString script = installScript(m_bundle.bundlePath());
    if (!script.isEmpty()) {
        runAsAdmin(script);
    }
}

bool MacChildGuard::startsAtLogin(const GuardInstaller& installer)
{
    return isChildRole() && RemoteBackendConfig::isBoundIn(UserDefaults::standard()) && !isGuardOn(installer);
}

QString MacChildGuard::installScript(const QString& sourceAppPath) const
{
    return m_installer.installScript(sourceAppPath);
}

QString MacChildGuard::teardownScript() const
{
    return m_installer.teardownScript();
}

bool MacChildGuard::runAsAdmin(const QString& script) const
{
    return m_admin.run(script);
}

bool MacChildGuard::confirmParentAndTeardown() const
{
    // Read fresh: the password may have been set since this process started.
    ParentalPasswordStore store(std::make_unique<ParentalPasswordRepository>(), m_keychain,
                                UserDefaults::standard());
    const ParentPasswordGate::Prompt prompt {
        L10n::localized("退出岚哨需要家长密码"),
        HostSystem::isMac
            ? L10n::localized(
                "确认后会卸掉开机守护。安装在「应用程序」里的岚哨仍由系统管理员持有，标准用户无法删除。")
            : L10n::localized(
                "确认后会卸掉开机守护。本机系统目录里的岚哨仍由系统管理员持有，标准用户无法删除。"),
        L10n::localized("确认退出")
    };
    switch (ParentPasswordGate::ask(store, m_alerts, prompt)) {
    case ParentPasswordGate::Outcome::noPassword:
        m_alerts.runModal({ L10n::localized("无法退出"),
                            L10n::localized("尚未设置家长密码。请用家长的管理员账号关闭岚哨守护。"),
                            { L10n::localized("好") },
                            false });
        return false;
    case ParentPasswordGate::Outcome::refused:
        return false;
    case ParentPasswordGate::Outcome::confirmed:
        break;
    }
    return runAsAdmin(teardownScript());
}

MacChildGuard::TerminateReply MacChildGuard::quitDecision() const
{
    if (!isChildRole() || !isGuardOn()) {
        return TerminateReply::terminateNow;
    }
    return confirmParentAndTeardown() ? TerminateReply::terminateNow : TerminateReply::terminateCancel;
}
