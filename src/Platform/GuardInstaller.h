#pragma once

#include <QObject>
#include <QString>

// The guard that keeps the application running on a child computer against a standard account:
// a root-owned copy of the application, a keeper that the system runs and that starts the copy
// again whenever it ends, and a marker file, written last, whose presence says the guard is on.
// An installer gives the scripts that put it in place and take it away (AdminRunner runs them as
// root) and says what the guard is now; when to offer it and who may remove it is decided the
// same way on every platform, by MacChildGuard.
class GuardInstaller
{
    Q_GADGET

public:
    // What the guard is, as the health report tells the parent: an honest answer, not the
    // capabilities the application would like.
    enum class State
    {
        running, // installed, and its keeper is at work
        stopped, // installed, but nothing keeps the application running
        notInstalled, // this computer could have it; nobody has approved it yet
        unavailable // this computer has no way to install it (no admin prompt or service manager)
    };
    Q_ENUM(State)

    virtual ~GuardInstaller();

    virtual QString markerFile() const = 0;
    virtual State state() const = 0;

    // Installs the guard with a copy of the application at `sourceAppPath`. Empty when no
    // script can be made (the application cannot be read).
    virtual QString installScript(const QString& sourceAppPath) const = 0;
    // Removes keeper and marker; the copy stays.
    virtual QString teardownScript() const = 0;
    // Replaces the installed copy with the downloaded update at `imagePath`, keeping the guard's
    // ownership when it is on. Empty when no script can be made.
    virtual QString updateScript(const QString& imagePath) const = 0;
    // Called once the update script has run and just before this process quits: starts the new
    // copy where neither the update script nor the guard's keeper will.
    virtual void startUpdatedCopy() const = 0;

    // The text in single quotes, each single quote inside written as '\''.
    static QString shellQuoted(const QString& text);
};
