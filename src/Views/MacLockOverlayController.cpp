#include "Views/MacLockOverlayController.h"

#include "Models/L10n.h"
#include "Platform/ProcessShield.h"
#include "Platform/Workspace.h"
#include "Services/MacUnlockRequestState.h"
#include "Views/MacLockOverlayContent.h"
#include "Views/MacLockOverlayWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

using MacPolicyExecutor::LockReason;
using namespace Qt::StringLiterals;

namespace {
// A hide request may still be on its way to the window manager this long after it was made: an
// application in front before then has not come back.
constexpr qint64 hideGraceMs = 150;
// How long a refused grab is taken for an open menu or a closing screen saver.
constexpr qint64 grabAttackMs = 2000;
constexpr int grabRetryMs = 250;
// Window changes come in bursts (a raise restacks every window): one check per burst.
constexpr int checkDelayMs = 15;
} // namespace

QList<MacLockOverlayController::Screen> MacLockOverlayController::platformScreens()
{
    QList<Screen> screens;
    for (auto* screen : QGuiApplication::screens()) {
        screens.append({ screen, screen->geometry() });
    }
    if (screens.isEmpty()) {
        if (auto* primary = QGuiApplication::primaryScreen()) {
            screens.append({ primary, primary->geometry() });
        }
    }
    return screens;
}

MacLockOverlayController::MacLockOverlayController(Workspace& workspace, ProcessShield& processes,
                                                   ScreenSource screens,
                                                   const MacUnlockRequestState* requests, QObject* parent)
    : QObject(parent)
    , m_workspace(workspace)
    , m_screens(std::move(screens))
    , m_requests(requests)
    , m_processes(processes)
{
    m_clock.start();
    m_grabRetry.setInterval(grabRetryMs);
    connect(&m_grabRetry, &QTimer::timeout, this, [this] {
        if (m_isShowing) {
            keepLockUp(false);
        }
    });
    QPointer<MacLockOverlayController> self(this);
    m_workspace.watchWindows([self] {
        if (self) {
            self->scheduleCheck();
        }
    });
    if (auto* layer = m_workspace.lockLayer()) {
        // The layer's buttons are the lock windows' buttons.
        layer->setClient({ .tryParentPassword =
                               [self](const QString& password) {
                                   if (!self || !self->m_coordinator.onParentPassword) {
                                       return false;
                                   }
                                   const auto refusal = self->m_coordinator.onParentPassword(password);
                                   if (refusal.isEmpty()) {
                                       return true;
                                   }
                                   self->m_passwordRefusal = refusal;
                                   if (self->m_onShellLayer && !self->showShellLayer()) {
                                       self->coverWithWindows();
                                   }
                                   return false;
                               },
                           .requestUnlock =
                               [self] {
                                   if (self && self->m_coordinator.onUnlockRequest) {
                                       self->m_coordinator.onUnlockRequest();
                                   }
                               } });
        layer->watchLoss([self] {
            if (self && self->m_onShellLayer) {
                self->coverWithWindows();
            }
        });
        // A request sent or answered, or a status line, changes what the layer shows.
        const auto refresh = [self] {
            if (self && self->m_onShellLayer && !self->showShellLayer()) {
                self->coverWithWindows();
            }
        };
        connect(&m_coordinator, &MacLockCoordinator::statusTextChanged, this, refresh);
        if (m_requests) {
            connect(m_requests, &MacUnlockRequestState::changed, this, refresh);
        }
    }
}

MacLockOverlayController::~MacLockOverlayController()
{
    m_workspace.watchWindows({});
    // A shown layer stays up: the lock holds until this program, started again, decides anew.
    if (auto* layer = m_workspace.lockLayer()) {
        layer->setClient({});
        layer->watchLoss({});
    }
    for (const auto& window : std::as_const(m_overlayWindows)) {
        delete window.data();
    }
}

QList<MacLockOverlayWindow*> MacLockOverlayController::overlayWindows() const
{
    QList<MacLockOverlayWindow*> windows;
    for (const auto& window : m_overlayWindows) {
        if (window) {
            windows.append(window);
        }
    }
    return windows;
}

void MacLockOverlayController::setShowing(bool showing)
{
    if (m_isShowing != showing) {
        m_isShowing = showing;
        emit isShowingChanged();
    }
}

void MacLockOverlayController::setShieldTargets(const MacSelectionPayload& selection)
{
    m_shield = MacSelectionMatcher(selection);
}

void MacLockOverlayController::apply(const MacPolicyExecutor::LockDecision& decision,
                                     const ScreenTimePolicy& policy, const MacSelectionPayload& selection)
{
    switch (MacLockShield::actionFor(decision)) {
    case MacLockShield::OverlayAction::hide:
        hide();
        return;
    case MacLockShield::OverlayAction::showOverlay:
        setShieldTargets(selection);
        show(*decision.reason, policy);
        return;
    case MacLockShield::OverlayAction::appBlock:
        setShieldTargets(selection);
        beginAppBlock();
        return;
    }
}

void MacLockOverlayController::show(LockReason reason, const ScreenTimePolicy& policy)
{
    m_lockReason = reason;
    emit lockReasonChanged();
    m_lockReasonText = MacLockShield::reasonText(reason, policy);
    emit lockReasonTextChanged();
    setShowing(true);
    if (showShellLayer()) {
        hideWindows();
    } else {
        createWindowsIfNeeded();
    }
    startShieldTimer();
    enforceShield();
}

ShellLockLayer::Texts MacLockOverlayController::shellLayerTexts() const
{
    QStringList pending;
    for (const auto& line :
         { MacLockOverlayContent::requestStateText(m_requests), m_coordinator.statusText() }) {
        if (!line.isEmpty()) {
            pending.append(line);
        }
    }
    return {
        { u"title"_s, L10n::localized("岚哨") },
        { u"reason"_s, m_lockReasonText },
        { u"pending"_s, pending.join(u'\n') },
        { u"requestButton"_s, L10n::localized("向家长申请解锁") },
        { u"passwordButton"_s, L10n::localized("家长在身边时，输入家长密码立即解锁") },
        { u"passwordPlaceholder"_s, L10n::localized("请输入密码") },
        { u"passwordWrong"_s,
          m_passwordRefusal.isEmpty() ? L10n::localized("密码错误，请重试") : m_passwordRefusal },
    };
}

bool MacLockOverlayController::showShellLayer()
{
    auto* layer = m_workspace.lockLayer();
    m_shellLayerAsked = m_shellLayerAsked || layer;
    m_onShellLayer = layer && layer->showLock(shellLayerTexts());
    m_inputGrabbed = m_onShellLayer && layer->holdsInput();
    m_shellLayerLost = m_shellLayerLost && !m_onShellLayer;
    return m_onShellLayer;
}

void MacLockOverlayController::hideShellLayer()
{
    m_onShellLayer = false;
    m_shellLayerLost = false;
    if (m_shellLayerAsked) {
        m_shellLayerAsked = false;
        m_workspace.lockLayer()->hideLock();
    }
}

void MacLockOverlayController::coverWithWindows()
{
    m_onShellLayer = false;
    m_shellLayerLost = true;
    m_inputGrabbed = false;
    if (m_isShowing) {
        qWarning("The shell's lock layer is gone; the lock windows cover the screens instead.");
        createWindowsIfNeeded();
    }
}

void MacLockOverlayController::hideWindows()
{
    releaseInput();
    m_workspace.holdLockWindows({});
    for (auto* window : overlayWindows()) {
        window->hide();
    }
}

void MacLockOverlayController::beginAppBlock()
{
    setShowing(false);
    m_grabRetry.stop();
    m_grabRefusedSince.invalidate();
    hideShellLayer();
    hideWindows();
    startShieldTimer();
    enforceShield();
}

void MacLockOverlayController::hide()
{
    setShowing(false);
    resetShieldState();
    if (m_shieldTimer) {
        m_shieldTimer->stop();
        m_shieldTimer->deleteLater();
        m_shieldTimer = nullptr;
    }
    hideShellLayer();
    m_passwordRefusal.clear();
    hideWindows();
}

void MacLockOverlayController::createWindowsIfNeeded()
{
    const auto screens = m_screens();
    auto freshContent
        = [this] { return new MacLockOverlayContent(m_lockReasonText, m_coordinator, m_requests); };
    auto windows = overlayWindows();
    if (windows.size() == screens.size()) {
        for (qsizetype i = 0; i < screens.size(); ++i) {
            windows[i]->setFrame(screens[i].frame, screens[i].screen);
            windows[i]->setContent(freshContent());
        }
    } else {
        releaseInput();
        for (auto* window : std::as_const(windows)) {
            window->hide();
            window->deleteLater();
        }
        m_overlayWindows.clear();
        for (const auto& screen : screens) {
            auto* window = new MacLockOverlayWindow(screen.frame, screen.screen);
            window->setContent(freshContent());
            m_overlayWindows.append(window);
        }
    }
    for (auto* window : overlayWindows()) {
        window->show();
    }
    raiseWindows();
}

void MacLockOverlayController::startShieldTimer()
{
    if (m_shieldTimer) {
        m_shieldTimer->stop();
        m_shieldTimer->deleteLater();
    }
    auto* timer = new QTimer(this);
    timer->setInterval(1000);
    connect(timer, &QTimer::timeout, this, &MacLockOverlayController::enforceShield);
    timer->start();
    m_shieldTimer = timer;
}

void MacLockOverlayController::scheduleCheck()
{
    if (m_checkPending || (!m_shieldTimer && !m_isShowing)) {
        return;
    }
    m_checkPending = true;
    QTimer::singleShot(checkDelayMs, this, [this] {
        m_checkPending = false;
        enforce(false);
    });
}

void MacLockOverlayController::enforceShield()
{
    enforce(true);
}

void MacLockOverlayController::enforce(bool tick)
{
    if (!m_shieldTimer && !m_isShowing) {
        return;
    }
    // App-block mode shields as the full lock does, only without windows (see docs/DESIGN.md).
    // Under the compositor's own layer holding the input nothing can be used or brought to front,
    // and every new or restored window is reported: the tick need not ask the compositor again.
    const bool layerHolds = m_isShowing && m_onShellLayer && m_inputGrabbed;
    if (!m_shield.isEmpty() && !(tick && layerHolds)) {
        shieldControlledApplications();
    }
    if (m_isShowing) {
        keepLockUp(tick);
    }
}

void MacLockOverlayController::shieldControlledApplications()
{
    const auto ownIdentifier = m_workspace.ownBundleIdentifier();
    const auto ownProcess = QCoreApplication::applicationPid();
    auto controlled = [&](const RunningApplication& app) {
        return app.processIdentifier != ownProcess && app.bundleIdentifier != ownIdentifier
            && m_shield.matches(app.bundleIdentifier, app.localizedName, app.executablePath);
    };
    // Hidden once and in front again: the child (or a script) keeps bringing it back.
    if (const auto front = m_workspace.frontmostApplication(); front && controlled(*front)) {
        const auto first = m_firstHiddenAt.constFind(front->processIdentifier);
        if (first != m_firstHiddenAt.cend() && m_clock.elapsed() - *first > hideGraceMs) {
            stopApplication(*front);
        }
    }
    const auto running = m_workspace.runningApplications();
    for (const auto& app : running) {
        // Windows that bypass the window manager cannot be minimised.
        if (app.hasUnmanagedWindows && controlled(app)) {
            stopApplication(app);
        }
    }
    for (const auto& app : MacLockShield::applicationsToHide(running, m_shield, ownIdentifier, ownProcess)) {
        // A refused or ignored request is simply made again at the next check.
        if (!m_stopped.contains(app.processIdentifier) && m_workspace.hide(app)) {
            m_firstHiddenAt.insert(app.processIdentifier,
                                   m_firstHiddenAt.value(app.processIdentifier, m_clock.elapsed()));
        }
    }
}

void MacLockOverlayController::stopApplication(const RunningApplication& application)
{
    if (m_stopped.contains(application.processIdentifier)) {
        return;
    }
    QList<qint64> processes;
    if (application.processIdentifier > 0) {
        processes.append(application.processIdentifier);
    }
    if (application.executablePath) {
        processes += m_processes.processesRunning({ *application.executablePath });
    }
    // Only what was asked counts as stopped: a process the shield may not signal (another
    // user's) stays one to hide.
    for (const auto process : m_processes.stop(processes)) {
        m_stopped.insert(process);
    }
}

void MacLockOverlayController::keepLockUp(bool tick)
{
    if (m_onShellLayer) {
        // Shown again at every tick: the shell gives the input back to a grab it refused earlier
        // (an open menu). The layer itself makes no call for a lock that stands unchanged.
        if (tick && !showShellLayer()) {
            coverWithWindows();
        }
        return;
    }
    // The compositor dropped its layer (the extension switched off for a moment, the shell
    // restarted): the windows stand in only until it can be shown again.
    if (tick && m_shellLayerLost && showShellLayer()) {
        hideWindows();
        return;
    }
    const auto windows = overlayWindows();
    if (windows.isEmpty() || (m_aboveOverlay && m_aboveOverlay->isVisible())) {
        raiseWindows();
        return;
    }
    QList<quintptr> ids;
    for (auto* window : windows) {
        ids.append(quintptr(window->winId()));
    }
    const auto cover = m_workspace.coverOf(ids);
    if (!cover.destroyed.isEmpty()) {
        // Another client destroyed a window under its widget: only new windows bring it back.
        releaseInput();
        for (auto* window : windows) {
            window->hide();
            window->deleteLater();
        }
        m_overlayWindows.clear();
        createWindowsIfNeeded();
        return;
    }
    for (auto* window : windows) {
        if (cover.unmapped.contains(quintptr(window->winId()))) {
            // The toolkit still counts it as shown, so a plain show() would do nothing.
            window->hide();
            window->show();
        }
    }
    // Raising restacks windows, which reports a change again: only a tick or a damaged lock
    // raises, or the lock would chase its own events.
    if (tick || !cover.intact() || !m_inputGrabbed) {
        raiseWindows();
    }
}

void MacLockOverlayController::raiseWindows()
{
    const auto windows = overlayWindows();
    if (windows.isEmpty()) {
        return;
    }
    if (m_aboveOverlay && m_aboveOverlay->isVisible()) {
        // Our own dialog (the parent password) is in front: give it the keyboard.
        releaseInput();
        m_aboveOverlay->raise();
        m_aboveOverlay->activateWindow();
        m_workspace.activate({ quintptr(m_aboveOverlay->winId()) });
        return;
    }
    QList<quintptr> ids;
    for (auto* window : windows) {
        if (!window->isVisible()) {
            window->show();
        }
        window->raise();
        ids.append(quintptr(window->winId()));
    }
    m_workspace.holdLockWindows(ids);
    m_workspace.activate(ids);
    windows.first()->activateWindow();
    takeGrabs(windows.first());
}

void MacLockOverlayController::takeGrabs(MacLockOverlayWindow* window)
{
    auto* handle = window->windowHandle();
    if (!handle) {
        return;
    }
    const bool keyboard = handle->setKeyboardGrabEnabled(true);
    const bool mouse = m_workspace.holdPointer(*handle);
    m_inputGrabbed = keyboard && mouse;
    if (m_inputGrabbed) {
        m_grabRefusedSince.invalidate();
        m_grabRetry.stop();
        return;
    }
    // A grab is refused while another client holds one (an open menu, a screen saver): asked
    // for again until it is held.
    if (!m_grabRefusedSince.isValid()) {
        m_grabRefusedSince.start();
    }
    if (!m_grabRetry.isActive()) {
        m_grabRetry.start();
    }
    if (m_grabRefusedSince.elapsed() >= grabAttackMs) {
        stopGrabHolders();
        m_grabRefusedSince.restart();
    }
}

void MacLockOverlayController::stopGrabHolders()
{
    QList<quintptr> ids;
    for (auto* window : overlayWindows()) {
        ids.append(quintptr(window->winId()));
    }
    // The server does not say who holds a grab. A grab needs a window on screen, and one that
    // lasts two seconds over the lock is held by a window that bypasses the window manager:
    // one above the lock, or else a large one raised below it by the lock itself.
    const auto cover = m_workspace.coverOf(ids);
    const auto suspects
        = cover.overrideRedirectAbove.isEmpty() ? cover.largeOverrideRedirect : cover.overrideRedirectAbove;
    QList<qint64> processes;
    for (const auto window : suspects) {
        if (const auto process = m_processes.processOfWindow(window); process > 0) {
            processes.append(process);
        }
    }
    m_processes.stop(processes);
}

void MacLockOverlayController::resetShieldState()
{
    m_firstHiddenAt.clear();
    m_stopped.clear();
    m_grabRefusedSince.invalidate();
    m_grabRetry.stop();
}

void MacLockOverlayController::releaseInput()
{
    for (auto* window : overlayWindows()) {
        if (auto* handle = window->windowHandle()) {
            handle->setKeyboardGrabEnabled(false);
            m_workspace.releasePointer(*handle);
        }
    }
    m_inputGrabbed = false;
}

void MacLockOverlayController::presentAboveOverlay(QWidget* window)
{
    if (!window) {
        return;
    }
    window->setWindowFlags(window->windowFlags() | Qt::X11BypassWindowManagerHint | Qt::WindowStaysOnTopHint
                           | Qt::FramelessWindowHint);
    m_aboveOverlay = window;
    if (m_isShowing) {
        raiseWindows();
    }
}
