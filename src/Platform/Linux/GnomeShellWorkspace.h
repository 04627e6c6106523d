#pragma once

#include "Platform/Linux/LinuxWorkspace.h"
#include "Platform/ShellLockLayer.h"

#include <QDBusConnection>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>

class QDBusMessage;
class QDBusServiceWatcher;

// The workspace of a GNOME session on Wayland. A Wayland client may not look at other clients'
// windows, so the questions go to the shell through the extension installed with the child
// guard (resources/gnome-shell), over the session bus under the shell's own name: no other
// program can take that name, so the answers are the compositor's. The extension's lock layer is
// the lock here: its buttons call back the connection that showed it, at `lockClientPath`.
class GnomeShellWorkspace final : public QObject, public LinuxWorkspace, public ShellLockLayer
{
    Q_OBJECT

public:
    static constexpr auto service = "org.gnome.Shell";
    static constexpr auto objectPath = "/com/corvane/vantorel/Shield";
    static constexpr auto interfaceName = "com.corvane.vantorel.Shield1";
    static constexpr auto lockClientPath = "/com/corvane/vantorel/LockClient";

    explicit GnomeShellWorkspace(const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~GnomeShellWorkspace() override;

    // Whether the extension answers: without it nothing can be seen or hidden. Known from the last
    // answer to any question put to it, so that asking costs no call of its own.
    bool extensionAvailable();

    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override;
    bool hide(const RunningApplication& application) override;
    void activate(const QList<quintptr>& ownWindows) override;
    void watchWindows(std::function<void()> onChange) override;
    QString enforcementLimitation() override;
    std::optional<EnforcementMode> enforcementMode() override;
    bool desktopExtensionMissing() override;
    ShellLockLayer* lockLayer() override { return this; }

    bool showLock(const Texts& texts) override;
    void hideLock() override;
    bool holdsInput() const override { return m_holdsInput; }
    void setClient(Client client) override { m_client = std::move(client); }
    void watchLoss(std::function<void()> onLost) override { m_onLost = std::move(onLost); }

    // The two ways out, as the layer's buttons call them.
    bool tryParentPassword(const QString& password);
    void requestUnlock();

private Q_SLOTS:
    void onWindowsChanged();
    void onShieldPropertiesChanged(const QString& interfaceName, const QVariantMap& changed,
                                   const QStringList& invalidated);

private:
    void lost();
    // Notes what a call to the extension says about its presence.
    void noteAnswer(const QDBusMessage& reply);

    QDBusConnection m_bus;
    std::function<void()> m_onChange;
    bool m_watching = false;
    Client m_client;
    std::function<void()> m_onLost;
    QDBusServiceWatcher* m_shellWatcher = nullptr;
    QObject* m_lockClient = nullptr;
    bool m_lockShown = false;
    bool m_holdsInput = false;
    // What the shown layer shows: the same texts again need no call.
    Texts m_shownTexts;
    // Unknown until the extension was first asked, and again whenever the shell changes hands.
    std::optional<bool> m_extensionAnswers;
    QElapsedTimer m_answeredAt;
};
