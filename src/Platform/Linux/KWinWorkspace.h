#pragma once

#include "Platform/Linux/LinuxWorkspace.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QRect>
#include <QStringList>
#include <QTemporaryDir>

class QDBusServiceWatcher;

// The workspace of a KDE Plasma session on Wayland. A Wayland client may not look at other
// clients' windows, but KWin runs scripts it is given over the session bus: the one loaded at start
// tells this process, over the same bus, every window with its process whenever the focus or the
// window list changes. Only reports from the connection that owns KWin's name are believed. While
// a lock is shown, a second script keeps this process's lock windows above all others.
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
    void holdLockWindows(const QList<quintptr>& lockWindows) override;
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
        QString caption;
        QRect geometry;
        bool active = false;
        bool keepAbove = false;
        bool fullScreen = false;
        bool minimized = false;
        bool normal = true;
    };
    // From the reporting script; `reporter` is the bus name that sent it.
    void acceptReport(const QString& reporter, const QString& json);
    // From the one-shot minimising script, once it has run.
    void acceptHidden(const QString& reporter);
    // The titles the lock windows carry now, asked by the lock script; empty when no lock is held.
    QStringList lockTitles() const { return m_lockTitles; }
    // The title of this process's modal dialog kept above the lock, if one is shown.
    QStringList dialogTitles() const;
    // The windows of the last report.
    const QList<Window>& windows() const { return m_windows; }

private:
    bool fromKWin(const QString& reporter) const;
    bool loadScript(const QString& pluginName, const QString& source);
    void unloadScript(const QString& pluginName);
    void start();
    void startLock();

    QDBusConnection m_bus;
    QTemporaryDir m_scripts;
    QDBusServiceWatcher* m_kwinWatcher = nullptr;
    QObject* m_receiver = nullptr;
    QList<Window> m_windows;
    QStringList m_lockTitles;
    // Who owns KWin's name, kept by the watcher: reports are checked against it without a call.
    QString m_kwinOwner;
    std::function<void()> m_onChange;
    bool m_scriptLoaded = false;
    bool m_hideLoaded = false;
    bool m_lockLoaded = false;
};
