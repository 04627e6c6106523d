#include "Views/MacLockOverlayController.h"

#include "Platform/Workspace.h"
#include "Views/MacLockCoordinator.h"
#include "Views/MacLockOverlayContent.h"
#include "Views/MacLockOverlayWindow.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWindow>

using MacPolicyExecutor::LockReason;

MacLockOverlayController& MacLockOverlayController::shared()
{
    static auto* instance = [] {
        auto* controller = new MacLockOverlayController(Workspace::shared());
        MacLockOverlayTarget::setShared(controller);
        return controller;
    }();
    return *instance;
}

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

MacLockOverlayController::MacLockOverlayController(Workspace& workspace, ScreenSource screens,
                                                   QObject* parent)
    : QObject(parent)
    , m_workspace(workspace)
    , m_screens(std::move(screens))
{
}

MacLockOverlayController::~MacLockOverlayController()
{
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
    createWindowsIfNeeded();
    startShieldTimer();
    enforceShield();
}

void MacLockOverlayController::beginAppBlock()
{
    setShowing(false);
    releaseInput();
    for (auto* window : overlayWindows()) {
        window->hide();
    }
    startShieldTimer();
}

void MacLockOverlayController::hide()
{
    setShowing(false);
    if (m_shieldTimer) {
        m_shieldTimer->stop();
        m_shieldTimer->deleteLater();
        m_shieldTimer = nullptr;
    }
    releaseInput();
    for (auto* window : overlayWindows()) {
        window->hide();
    }
}

void MacLockOverlayController::createWindowsIfNeeded()
{
    const auto screens = m_screens();
    const auto& coordinator = MacLockCoordinator::shared();
    auto freshContent = [&] {
        return new MacLockOverlayContent(m_lockReasonText, coordinator.onUnlockRequest,
                                         coordinator.onPasswordUnlock);
    };
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

void MacLockOverlayController::hideControlledApplications()
{
    const auto running = m_workspace.runningApplications();
    const auto hide = MacLockShield::applicationsToHide(running, m_shield, m_workspace.ownBundleIdentifier(),
                                                        QCoreApplication::applicationPid());
    for (const auto& app : hide) {
        // A refused or ignored request is simply made again at the next tick.
        m_workspace.hide(app);
    }
}

void MacLockOverlayController::enforceShield()
{
    if (!m_shieldTimer && !m_isShowing) {
        return;
    }
    // App-block mode hides as the full lock does, only without windows (see docs/DESIGN.md).
    if (!m_shield.isEmpty()) {
        hideControlledApplications();
    }
    if (m_isShowing) {
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
    m_workspace.activate(ids);
    windows.first()->activateWindow();
    // A grab is refused while another client holds one (an open menu, a screen saver); it is
    // asked for again at every tick until it is held.
    if (auto* handle = windows.first()->windowHandle()) {
        const bool keyboard = handle->setKeyboardGrabEnabled(true);
        const bool mouse = m_workspace.holdPointer(*handle);
        m_inputGrabbed = keyboard && mouse;
    }
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
