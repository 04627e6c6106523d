#pragma once

#include "Platform/Linux/LinuxWorkspace.h"

#include <QObject>

#include <memory>

// The workspace of a wlroots compositor (Sway, river, labwc, Wayfire). Other clients' windows are
// seen through the compositor's foreign-toplevel list, a separate Wayland connection read from the
// event loop. That list names no process, so where Sway's IPC answers, its tree supplies the
// processes and Sway hides the windows.
class WlrootsWorkspace final : public QObject, public LinuxWorkspace
{
    Q_OBJECT

public:
    // The session's display ($WAYLAND_DISPLAY) and Sway's socket ($SWAYSOCK, when set).
    WlrootsWorkspace();
    // `display` is a display name or an absolute socket path; an empty `swaySocket` means no IPC.
    WlrootsWorkspace(const QString& display, const QString& swaySocket);
    ~WlrootsWorkspace() override;

    // Whether the compositor lists other clients' windows to this one.
    bool toplevelsAvailable() const;

    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override;
    bool hide(const RunningApplication& application) override;
    void activate(const QList<quintptr>& ownWindows) override;
    void watchWindows(std::function<void()> onChange) override;
    QString enforcementLimitation() override;
    std::optional<EnforcementMode> enforcementMode() override;
    // An overlay-layer lock on the same display, where the compositor offers the layer shell.
    ShellLockLayer* lockLayer() override;

    struct Private;

private:
    std::unique_ptr<Private> d;
};
