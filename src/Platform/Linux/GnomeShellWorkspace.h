#pragma once

#include "Platform/Linux/LinuxWorkspace.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>

// The workspace of a GNOME session on Wayland. A Wayland client may not look at other clients'
// windows, so the questions go to the shell through the extension installed with the child
// guard (resources/gnome-shell), over the session bus under the shell's own name: no other
// program can take that name, so the answers are the compositor's.
class GnomeShellWorkspace final : public QObject, public LinuxWorkspace
{
    Q_OBJECT

public:
    static constexpr auto service = "org.gnome.Shell";
    static constexpr auto objectPath = "/com/corvane/vantorel/Shield";
    static constexpr auto interfaceName = "com.corvane.vantorel.Shield1";

    explicit GnomeShellWorkspace(const QDBusConnection& bus = QDBusConnection::sessionBus());

    // Whether the extension answers: without it nothing can be seen or hidden.
    bool extensionAvailable();

    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override;
    bool hide(const RunningApplication& application) override;
    void activate(const QList<quintptr>& ownWindows) override;
    void watchWindows(std::function<void()> onChange) override;
    QString enforcementLimitation() override;
    std::optional<EnforcementMode> enforcementMode() override;
    bool desktopExtensionMissing() override;

private Q_SLOTS:
    void onWindowsChanged();

private:
    QDBusConnection m_bus;
    std::function<void()> m_onChange;
    bool m_watching = false;
};
