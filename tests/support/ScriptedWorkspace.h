#pragma once

#include "Platform/ShellLockLayer.h"
#include "Platform/Workspace.h"
#include "support/RecordingProcessShield.h"

#include <QHash>
#include <QList>

// A workspace whose answers a test sets, recording what was asked of it. Its lock overlay is given
// `processes`: the process numbers of made-up applications must never reach real processes.
// A compositor's lock layer that shows whatever it is asked to and keeps the ways out it was given.
class RecordingLockLayer final : public ShellLockLayer
{
public:
    std::optional<Texts> shown; // what it shows now
    Client client;

    bool showLock(const Texts& texts) override
    {
        shown = texts;
        return true;
    }
    void hideLock() override { shown.reset(); }
    bool holdsInput() const override { return shown.has_value(); }
    void setClient(Client given) override { client = std::move(given); }
    void watchLoss(std::function<void()>) override { }
};

class ScriptedWorkspace final : public Workspace
{
public:
    ScriptedWorkspace() = default;
    Q_DISABLE_COPY_MOVE(ScriptedWorkspace)

    std::optional<RunningApplication> frontmost;
    QList<RunningApplication> running;
    std::optional<QString> ownIdentifier = QStringLiteral("vantorel");

    RecordingProcessShield processes;
    QList<RunningApplication> hidden; // every hide request, in order
    QList<QList<quintptr>> activations; // every activate call
    int frontmostQueries = 0;
    bool extensionMissing = false;
    std::optional<EnforcementMode> mode;

    std::optional<RunningApplication> frontmostApplication() override;
    QList<RunningApplication> runningApplications() override { return running; }
    bool hide(const RunningApplication& application) override;
    void activate(const QList<quintptr>& ownWindows) override { activations.append(ownWindows); }
    QIcon iconForFile(const QString&) override { return {}; }
    QString hostName() override { return QStringLiteral("test-host"); }
    QString osVersion() override { return QStringLiteral("Test OS 1.0"); }
    std::optional<QString> ownBundleIdentifier() override { return ownIdentifier; }
    bool desktopExtensionMissing() override { return extensionMissing; }
    std::optional<EnforcementMode> enforcementMode() override { return mode; }
    QHash<QString, QStringList> executables; // by application identifier
    QStringList executablesOf(const QString& applicationId) override
    {
        return executables.value(applicationId);
    }

    // Offered as the compositor's lock layer when set.
    ShellLockLayer* layer = nullptr;
    ShellLockLayer* lockLayer() override { return layer; }

    static RunningApplication app(const QString& bundleId, const QString& name, const QString& path,
                                  qint64 pid = 100, bool regular = true);
};
