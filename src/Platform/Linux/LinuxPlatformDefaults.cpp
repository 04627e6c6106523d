#include "Platform/Linux/FileSecureStore.h"
#include "Platform/Linux/FreedesktopNotifications.h"
#include "Platform/Linux/GnomeShellWorkspace.h"
#include "Platform/Linux/KWinWorkspace.h"
#include "Platform/Linux/KeychainSecureStore.h"
#include "Platform/Linux/LinuxAppBundle.h"
#include "Platform/Linux/LinuxChildGuard.h"
#include "Platform/Linux/LinuxProcessShield.h"
#include "Platform/Linux/LogindSessionActivity.h"
#include "Platform/Linux/PkexecAdminRunner.h"
#include "Platform/Linux/WlrootsWorkspace.h"
#include "Platform/Linux/X11Workspace.h"
#include "Platform/PlatformDefaults.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The keyring when it works, else the owner-only file. A keyring that could not be opened (not
// yet started, locked) is asked again, at most every few seconds, instead of settling on the
// file for the whole run: the parent password in the keyring must not read as missing for as
// long as the application runs. Items written to the file while the keyring was away are still
// found there.
class KeyringOrFileSecureStore final : public SecureStore
{
public:
    KeyringOrFileSecureStore()
        : m_keyring(u"Vantorel"_s)
        , m_file(FileSecureStore::defaultFilePath())
    {
    }

    std::optional<QByteArray> copy(const QString& account) const override
    {
        if (onKeyring()) {
            if (auto found = m_keyring.copy(account)) {
                return found;
            }
        }
        return m_file.copy(account);
    }
    bool remove(const QString& account) override
    {
        const bool fromFile = m_file.remove(account);
        return (onKeyring() && m_keyring.remove(account)) || fromFile;
    }
    bool add(const QString& account, const QByteArray& data) override
    {
        return onKeyring() ? m_keyring.add(account, data) : m_file.add(account, data);
    }

private:
    static constexpr qint64 retryMs = 5000;

    bool onKeyring() const
    {
        if (!m_onKeyring && (!m_lastProbe.isValid() || m_lastProbe.elapsed() >= retryMs)) {
            m_onKeyring = m_keyring.probe();
            m_lastProbe.start();
        }
        return m_onKeyring;
    }

    mutable KeychainSecureStore m_keyring;
    mutable FileSecureStore m_file;
    mutable bool m_onKeyring = false;
    mutable QElapsedTimer m_lastProbe;
};

} // namespace

namespace PlatformDefaults {

SecureStore& secureStore()
{
    static KeyringOrFileSecureStore store;
    return store;
}

AdminRunner& adminRunner()
{
    static PkexecAdminRunner runner;
    return runner;
}

SystemNotifications& systemNotifications()
{
    static FreedesktopNotifications notifications(u"岚哨"_s);
    return notifications;
}

AppBundle& appBundle()
{
    static LinuxAppBundle bundle;
    return bundle;
}

const GuardInstaller& guardInstaller()
{
    static const LinuxChildGuard guard;
    return guard;
}

Workspace& workspace()
{
    static const std::unique_ptr<Workspace> chosen = []() -> std::unique_ptr<Workspace> {
        switch (LinuxWorkspace::sessionKind(QProcessEnvironment::systemEnvironment())) {
        case LinuxWorkspace::SessionKind::gnomeWayland: {
            auto gnome = std::make_unique<GnomeShellWorkspace>();
            if (const auto limitation = gnome->enforcementLimitation(); !limitation.isEmpty()) {
                qWarning("%s", qPrintable(limitation));
            }
            return gnome;
        }
        case LinuxWorkspace::SessionKind::kdeWayland: {
            auto kwin = std::make_unique<KWinWorkspace>();
            if (const auto limitation = kwin->enforcementLimitation(); !limitation.isEmpty()) {
                qWarning("%s", qPrintable(limitation));
            }
            return kwin;
        }
        case LinuxWorkspace::SessionKind::wlroots: {
            // A compositor that lists no windows leaves XWayland's applications to X11.
            if (auto wlroots = std::make_unique<WlrootsWorkspace>(); wlroots->toplevelsAvailable()) {
                qWarning("%s", qPrintable(wlroots->enforcementLimitation()));
                return wlroots;
            }
            break;
        }
        case LinuxWorkspace::SessionKind::x11:
        case LinuxWorkspace::SessionKind::otherWayland:
            break;
        }
        // Elsewhere on Wayland, X11 still sees the applications that run through XWayland, and the
        // process shield works whatever the display server.
        return std::make_unique<X11Workspace>();
    }();
    return *chosen;
}

ProcessShield& processShield()
{
    static LinuxProcessShield shield;
    return shield;
}

SessionActivity& sessionActivity()
{
    static LogindSessionActivity activity;
    return activity;
}

} // namespace PlatformDefaults
