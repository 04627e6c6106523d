#pragma once

#include "App/MacChildGuard.h"

#include <QObject>

class QGuiApplication;
class QNetworkAccessManager;
class QSessionManager;

// The application's answers at launch and at every quit request.
//
// The application shell calls applicationDidFinishLaunching() once its stores exist and its
// window is up, and attach() once, so that quit requests (QCoreApplication::quit(), the menu,
// the shortcut, a session log-out) pass through the guard's quit decision.
class MacChildGuardDelegate final : public QObject
{
    Q_OBJECT

public:
    // `network` fetches the release catalogue and the update.
    MacChildGuardDelegate(MacChildGuard guard, QNetworkAccessManager& network, QObject* parent = nullptr);

    // The guard's installation check, then the once-per-process update check.
    void applicationDidFinishLaunching();
    MacChildGuard::TerminateReply applicationShouldTerminate();
    const MacChildGuard& guard() const { return m_guard; }

    // Filters the application's QEvent::Quit and answers its session manager's commit requests.
    void attach(QGuiApplication& application);

    // A quit request that the decision cancels is swallowed here.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void commitData(QSessionManager& manager);

    MacChildGuard m_guard;
    QNetworkAccessManager& m_network;
};
