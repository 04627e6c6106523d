#include "App/MacChildGuardDelegate.h"

#include "App/MacAppUpdate.h"

#include <QEvent>
#include <QGuiApplication>
#include <QSessionManager>

MacChildGuardDelegate::MacChildGuardDelegate(MacChildGuard guard, QNetworkAccessManager& network,
                                             QObject* parent)
    : QObject(parent)
    , m_guard(guard)
    , m_network(network)
{
}

void MacChildGuardDelegate::applicationDidFinishLaunching()
{
    m_guard.installIfNeeded();
    MacAppUpdate::checkOnLaunch(m_guard, m_network);
}

MacChildGuard::TerminateReply MacChildGuardDelegate::applicationShouldTerminate()
{
    return m_guard.quitDecision();
}

void MacChildGuardDelegate::attach(QGuiApplication& application)
{
    application.installEventFilter(this);
    connect(&application, &QGuiApplication::commitDataRequest, this, &MacChildGuardDelegate::commitData,
            Qt::DirectConnection);
}

bool MacChildGuardDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Quit && watched == QCoreApplication::instance()) {
        if (applicationShouldTerminate() == MacChildGuard::TerminateReply::terminateCancel) {
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void MacChildGuardDelegate::commitData(QSessionManager& manager)
{
    // A log-out may only be held up while the session manager lets the application talk to
    // the user; otherwise the session ends regardless and the keeper starts the copy again at
    // the next login.
    if (!manager.allowsInteraction()) {
        return;
    }
    const auto reply = applicationShouldTerminate();
    manager.release();
    if (reply == MacChildGuard::TerminateReply::terminateCancel) {
        manager.cancel();
    }
}
