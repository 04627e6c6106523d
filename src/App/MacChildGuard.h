#pragma once

#include <QString>

class AdminRunner;
class AlertPresenter;
class AppBundle;
class GuardInstaller;
class SecureStore;

// Keeps a child computer's copy of the application running against a standard account: asks
// once for an administrator's approval to install a root-owned copy with a keeper that restarts
// it, and makes quitting need the parent password while that guard is on. Never active on a
// parent's computer or one that is not bound yet.
//
// What is installed, and how, is the platform's GuardInstaller; the decisions here are the same
// on every platform.
class MacChildGuard
{
public:
    static inline const QString lastPromptKey = QStringLiteral("mac.childGuard.lastPrompt");
    static inline const QString roleKey = QStringLiteral("remoteBackend.role");
    static constexpr double promptInterval = 86400;

    enum class TerminateReply
    {
        terminateNow,
        terminateCancel
    };

    // `installer` says what the guard is and gives its scripts, `admin` runs them as root,
    // `bundle` is the application file a new guard copies, `alerts` asks the parent and
    // `keychain` holds the parent password they are asked for.
    MacChildGuard(const GuardInstaller& installer, AdminRunner& admin, const AppBundle& bundle,
                  AlertPresenter& alerts, SecureStore& keychain);

    // The stored role is exactly "child".
    static bool isChildRole();

    // Offers the installation when due: a child computer, the guard off, and the last offer at
    // least 24 hours ago. The time is recorded before asking, so a refused prompt also waits a day.
    void installIfNeeded() const;

    // Whether a start at login (`vantorel --autostart`, from the system-wide autostart entry) goes
    // on: only for an account bound to a family as a child, so that the child is guarded from the
    // first login even before the root guard is installed, and only while that guard is off, since
    // its keeper starts the application itself.
    static bool startsAtLogin(const GuardInstaller& installer);

    // The installer's install script for the application at `sourceAppPath`; empty when none can
    // be made.
    QString installScript(const QString& sourceAppPath) const;
    // The installer's removal script; the copy stays.
    QString teardownScript() const;

    // The one way a script is run as root (the updater uses it too).
    bool runAsAdmin(const QString& script) const;

    // Asks for the parent password and removes the guard. True only when the removal ran.
    bool confirmParentAndTeardown() const;

    // Whether a quit request may go ahead.
    TerminateReply quitDecision() const;

    // Whether the installer's marker can be read.
    bool isGuardOn() const { return isGuardOn(m_installer); }
    static bool isGuardOn(const GuardInstaller& installer);

    const GuardInstaller& installer() const { return m_installer; }
    const AppBundle& bundle() const { return m_bundle; }
    AlertPresenter& alerts() const { return m_alerts; }

private:
    const GuardInstaller& m_installer;
    AdminRunner& m_admin;
    const AppBundle& m_bundle;
    AlertPresenter& m_alerts;
    SecureStore& m_keychain;
};
