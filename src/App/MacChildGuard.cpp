#include "App/MacChildGuard.h"

#include "App/LinuxChildGuard.h"
#include "Models/L10n.h"
#include "Models/ParentalPasswordRepository.h"
#include "Models/ParentalPasswordStore.h"
#include "Models/RemoteBackendConfig.h"
#include "Platform/AdminRunner.h"
#include "Platform/AppBundle.h"
#include "Platform/Clock.h"
#include "Platform/UserDefaults.h"
#include "Views/AlertPresenter.h"
#include "Views/ParentPasswordGate.h"

#include <QFile>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace MacChildGuard {

bool isChildRole()
{
    return UserDefaults::standard().string(roleKey) == u"child"_s;
}

QString hostMarkerFile()
{
#if defined(Q_OS_MACOS)
    return markerFile;
#else
    return LinuxChildGuard::current().markerFile();
#endif
}

bool isGuardOn()
{
    QFile marker(hostMarkerFile());
    return marker.open(QIODevice::ReadOnly);
}

ChildGuardState::State hostGuardState()
{
#if defined(Q_OS_MACOS)
    return isGuardOn() ? ChildGuardState::State::running : ChildGuardState::State::notInstalled;
#else
    return LinuxChildGuard::current().state();
#endif
}

QString hostInstallScript(const QString& sourceAppPath)
{
#if defined(Q_OS_MACOS)
    return installScript(sourceAppPath);
#else
    const QString digest = LinuxChildGuard::sha256OfFile(sourceAppPath);
    if (digest.isEmpty()) {
        return {};
    }
    return LinuxChildGuard::current().installScript(sourceAppPath, digest);
#endif
}

QString hostTeardownScript()
{
#if defined(Q_OS_MACOS)
    return teardownScript();
#else
    return LinuxChildGuard::current().teardownScript();
#endif
}

void installIfNeeded()
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
    const QString script = hostInstallScript(AppBundle::current().bundlePath());
    if (!script.isEmpty()) {
        runAsAdmin(script);
    }
}

bool startsAtLogin()
{
    return isChildRole() && RemoteBackendConfig(UserDefaults::standard()).isBoundToBackend() && !isGuardOn();
}

QString quotedForShell(const QString& path)
{
    return LinuxChildGuard::shellQuoted(path);
}

QString installScript(const QString& sourceAppPath)
{
    const QStringList lines {
        u"set -e"_s,
        u"APP_SRC="_s + quotedForShell(sourceAppPath),
        u"DEST=\"/Applications/$(basename \"$APP_SRC\")\""_s,
        u"if [ \"$APP_SRC\" != \"$DEST\" ]; then"_s,
        u"  rm -rf \"$DEST\""_s,
        u"  ditto \"$APP_SRC\" \"$DEST\""_s,
        u"fi"_s,
        u"chown -R root:wheel \"$DEST\""_s,
        u"chmod -R a+rX \"$DEST\""_s,
        u"BIN=\"$DEST/Contents/MacOS/$(/usr/libexec/PlistBuddy -c 'Print :CFBundleExecutable' \"$DEST/Contents/Info.plist\")\""_s,
        u"mkdir -p \"/Library/Application Support/Vantorel\""_s,
        u"mkdir -p /Library/LaunchAgents"_s,
        u"cat > \"/Library/LaunchAgents/com.corvane.vantorel.guard.plist\" <<EOF"_s,
        u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>"_s,
        u"<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"_s,
        u"<plist version=\"1.0\"><dict>"_s,
        u"  <key>Label</key><string>com.corvane.vantorel.guard</string>"_s,
        u"  <key>ProgramArguments</key><array><string>${BIN}</string></array>"_s,
        u"  <key>RunAtLoad</key><true/>"_s,
        u"  <key>KeepAlive</key><true/>"_s,
        u"</dict></plist>"_s,
        u"EOF"_s,
        u"chown root:wheel \"/Library/LaunchAgents/com.corvane.vantorel.guard.plist\""_s,
        u"chmod 644 \"/Library/LaunchAgents/com.corvane.vantorel.guard.plist\""_s,
        u"CONSOLE_UID=\"$(stat -f %u /dev/console)\""_s,
        u"launchctl bootout \"gui/${CONSOLE_UID}/com.corvane.vantorel.guard\" >/dev/null 2>&1 || true"_s,
        u"launchctl bootstrap \"gui/${CONSOLE_UID}\" \"/Library/LaunchAgents/com.corvane.vantorel.guard.plist\""_s,
        u"printf '%s' \"$DEST\" > \"/Library/Application Support/Vantorel/guard.on\""_s,
        u"chown root:wheel \"/Library/Application Support/Vantorel/guard.on\""_s,
        u"chmod 644 \"/Library/Application Support/Vantorel/guard.on\""_s,
    };
    return lines.join(u'\n');
}

QString teardownScript()
{
    const QStringList lines {
        u"CONSOLE_UID=\"$(stat -f %u /dev/console)\""_s,
        u"launchctl bootout \"gui/${CONSOLE_UID}/com.corvane.vantorel.guard\" >/dev/null 2>&1 || true"_s,
        u"rm -f \"/Library/LaunchAgents/com.corvane.vantorel.guard.plist\""_s,
        u"rm -f \"/Library/Application Support/Vantorel/guard.on\""_s,
    };
    return lines.join(u'\n');
}

bool runAsAdmin(const QString& script)
{
    return AdminRunner::current().run(script);
}

bool confirmParentAndTeardown()
{
    // Read fresh: the password may have been set since this process started.
    ParentalPasswordStore store(std::make_unique<ParentalPasswordRepository>());
    const ParentPasswordGate::Prompt prompt {
        L10n::localized("退出岚哨需要家长密码"),
#ifdef Q_OS_MACOS
        L10n::localized(
            "确认后会卸掉开机守护。安装在「应用程序」里的岚哨仍由系统管理员持有，标准用户无法删除。"),
#else
        L10n::localized("确认后会卸掉开机守护。本机系统目录里的岚哨仍由系统管理员持有，标准用户无法删除。"),
#endif
        L10n::localized("确认退出")
    };
    switch (ParentPasswordGate::ask(store, prompt)) {
    case ParentPasswordGate::Outcome::noPassword:
        AlertPresenter::current().runModal(
            { L10n::localized("无法退出"),
              L10n::localized("尚未设置家长密码。请用家长的管理员账号关闭岚哨守护。"),
              { L10n::localized("好") },
              false });
        return false;
    case ParentPasswordGate::Outcome::refused:
        return false;
    case ParentPasswordGate::Outcome::confirmed:
        break;
    }
    return runAsAdmin(hostTeardownScript());
}

TerminateReply quitDecision()
{
    if (!isChildRole() || !isGuardOn()) {
        return TerminateReply::terminateNow;
    }
    return confirmParentAndTeardown() ? TerminateReply::terminateNow : TerminateReply::terminateCancel;
}

} // namespace MacChildGuard
