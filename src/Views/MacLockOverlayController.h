#pragma once

#include "Models/MacSelectionPayload.h"
#include "Models/ScreenTimePolicy.h"
#include "Platform/ShellLockLayer.h"
#include "Services/MacLockOverlayTarget.h"
#include "Services/MacLockShield.h"
#include "Services/MacPolicyExecutor.h"
#include "Services/MacSelectionMatcher.h"
#include "Views/MacLockCoordinator.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QTimer>

#include <functional>
#include <optional>

class MacLockOverlayWindow;
class MacUnlockRequestState;
class ProcessShield;
class QScreen;
class Workspace;

// Acts on a lock decision: for the parent's immediate lock, one lock window on every screen and a
// shield that keeps the controlled applications away and the lock windows in front with the
// keyboard and the pointer held; for every other reason, app-block mode: no windows, the same
// shield. The shield acts on every window change the workspace reports and verifies once a
// second: a lock window closed, unmapped or covered is restored at once, a controlled
// application is hidden, and stopped when it comes back in front or shows windows the window
// manager cannot hide. A grab that stays refused for two seconds is taken as an attack: the
// override-redirect windows that may hold it have their processes stopped. Where the workspace
// offers the compositor's own lock layer (GNOME on Wayland), that layer is the lock instead of
// the windows, with the same texts; when it cannot be shown or goes away, the windows cover at once.
class MacLockOverlayController final : public QObject, public MacLockOverlayTarget
{
    Q_OBJECT
    Q_PROPERTY(QString lockReasonText READ lockReasonText NOTIFY lockReasonTextChanged)
    Q_PROPERTY(bool isShowing READ isShowing NOTIFY isShowingChanged)

public:
    struct Screen
    {
        QScreen* screen = nullptr;
        QRect frame;
    };
    using ScreenSource = std::function<QList<Screen>()>;

    // The platform's screens, or the primary screen alone when the list is empty.
    static QList<Screen> platformScreens();

    // `processes` finds and stops the controlled applications' processes. The lock windows tell
    // whether `requests` (when given) waits for a parent or was declined.
    MacLockOverlayController(Workspace& workspace, ProcessShield& processes,
                             ScreenSource screens = platformScreens,
                             const MacUnlockRequestState* requests = nullptr, QObject* parent = nullptr);
    ~MacLockOverlayController() override;

    void setShieldTargets(const MacSelectionPayload& selection) override;
    void show(MacPolicyExecutor::LockReason reason, const ScreenTimePolicy& policy) override;
    void beginAppBlock() override;
    void hide() override;
    // Acts on a lock decision the way the synchronisation does (see MacLockShield::actionFor).
    void apply(const MacPolicyExecutor::LockDecision& decision, const ScreenTimePolicy& policy,
               const MacSelectionPayload& selection);

    std::optional<MacPolicyExecutor::LockReason> lockReason() const { return m_lockReason; }
    QString lockReasonText() const { return m_lockReasonText; }
    bool isShowing() const { return m_isShowing; }
    bool isAppBlocking() const { return !m_isShowing && m_shieldTimer; }
    bool holdsInputGrab() const { return m_inputGrabbed; }
    // The lock is the compositor's layer rather than our windows.
    bool showsShellLayer() const { return m_onShellLayer; }
    // What the compositor's layer shows for the lock now: the lock windows' texts.
    ShellLockLayer::Texts shellLayerTexts() const;
    QList<MacLockOverlayWindow*> overlayWindows() const;
    // The ways out and the status line the lock windows show; the root screen fills them in.
    MacLockCoordinator& coordinator() { return m_coordinator; }
    const QTimer* shieldTimer() const { return m_shieldTimer; }

    // Makes a window of ours (the parent-password dialog) able to appear above the lock
    // windows: it bypasses the window manager like them, and while it is shown the shield lets
    // it have the keyboard instead of raising the lock windows over it.
    void presentAboveOverlay(QWidget* window);

    // One shield tick.
    void enforceShield();

signals:
    void lockReasonChanged();
    void lockReasonTextChanged();
    void isShowingChanged();

private:
    void setShowing(bool showing);
    void createWindowsIfNeeded();
    void startShieldTimer();
    void scheduleCheck();
    void enforce(bool tick);
    void shieldControlledApplications();
    void stopApplication(const RunningApplication& application);
    void keepLockUp(bool tick);
    void raiseWindows();
    void takeGrabs(MacLockOverlayWindow* window);
    void stopGrabHolders();
    void releaseInput();
    void resetShieldState();
    bool showShellLayer();
    void hideShellLayer();
    void coverWithWindows();
    void hideWindows();

    Workspace& m_workspace;
    ScreenSource m_screens;
    const MacUnlockRequestState* m_requests;
    MacLockCoordinator m_coordinator;
    QList<QPointer<MacLockOverlayWindow>> m_overlayWindows;
    QPointer<QTimer> m_shieldTimer;
    MacSelectionMatcher m_shield;
    std::optional<MacPolicyExecutor::LockReason> m_lockReason;
    QString m_lockReasonText;
    bool m_isShowing = false;
    bool m_inputGrabbed = false;
    QPointer<QWidget> m_aboveOverlay;
    ProcessShield& m_processes;
    bool m_checkPending = false;
    QElapsedTimer m_clock;
    // When each controlled application (by process) was first asked to hide in this lock.
    QHash<qint64, qint64> m_firstHiddenAt;
    QSet<qint64> m_stopped;
    QElapsedTimer m_grabRefusedSince;
    QTimer m_grabRetry;
    bool m_onShellLayer = false;
    // Asked to show since the last hide, whatever it answered: a late answer may still show it.
    bool m_shellLayerAsked = false;
    // The layer was up in this lock and went away: shown again at each tick until it is back.
    bool m_shellLayerLost = false;
    // Why the last password typed into the shell's layer unlocked nothing; empty before any.
    QString m_passwordRefusal;
};
