#pragma once

#include "Platform/Linux/LinuxWorkspace.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QTemporaryDir>

class QDBusServiceWatcher;

// The workspace of a KDE Plasma session on Wayland. A Wayland client may not look at other
// clients' windows, but KWin runs scripts it is given over the session bus: the one loaded at start
// tells this process, over the same bus, every window with its process whenever the focus or the
// window list changes. Only reports from the connection that owns KWin's name are believed.
class KWinWorkspace final : public QObject, public LinuxWorkspace
{
    Q_OBJECT

public:
    static constexpr auto service = "org.kde.KWin";
    static constexpr auto reportPath = "/com/corvane/vantorel/KWinReport";

    explicit KWinWorkspace(const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~KWinWorkspace() override;

    // Whether KWin runs the reporting script: without it nothing can be seen or hidden.
    bool scriptRunning() const { return m_scriptLoaded; }

    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override;
    bool hide(const RunningApplication& application) override;
    void activate(const QList<quintptr>& ownWindows) override;
    void watchWindows(std::function<void()> onChange) override;
    QString enforcementLimitation() override;
    std::optional<EnforcementMode> enforcementMode() override;

    // One window as the script reports it.
    struct Window
    {
        qint64 pid = 0;
        QString desktopFileName;
        QString resourceClass;
        QString resourceName;
        bool active = false;
        bool minimized = false;
        bool normal = true;
    };
    // From the reporting script; `reporter` is the bus name that sent it.
    void acceptReport(const QString& reporter, const QString& json);
    // From the one-shot minimising script, once it has run.
    void acceptHidden(const QString& reporter);

private:
    bool fromKWin(const QString& reporter) const;
    bool loadScript(const QString& pluginName, const QString& source);
    void unloadScript(const QString& pluginName);
    void start();

    QDBusConnection m_bus;
    QTemporaryDir m_scripts;
    QDBusServiceWatcher* m_kwinWatcher = nullptr;
    QObject* m_receiver = nullptr;
    QList<Window> m_windows;
    std::function<void()> m_onChange;
    bool m_scriptLoaded = false;
    bool m_hideLoaded = false;
};
