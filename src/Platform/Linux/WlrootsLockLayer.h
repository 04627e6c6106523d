#pragma once

#include "Platform/ShellLockLayer.h"

#include <QObject>
#include <QStringList>

#include <memory>

// The lock of a wlroots compositor (Sway, river, labwc, Wayfire): an overlay-layer surface over
// each output, above every window and panel, that takes the keyboard for itself, so that no key
// reaches the windows below. An ordinary window cannot do this on Wayland: the compositor decides
// what is stacked above it and may give the focus away. The parent types the password on the lock
// itself and confirms with Return; F1 asks the parent to unlock.
class WlrootsLockLayer final : public QObject, public ShellLockLayer
{
    Q_OBJECT

public:
    // `display` is a display name or an absolute socket path; empty for $WAYLAND_DISPLAY.
    explicit WlrootsLockLayer(const QString& display = {});
    ~WlrootsLockLayer() override;

    // Whether the compositor offers the layer shell at all.
    bool available() const;
    // Covers every output, now and as they are plugged in, with the given lines of text (the first
    // one large) above the password field. Showing again replaces the texts.
    bool show(const QStringList& lines);
    void hide();
    // Every output is covered by a surface the compositor has sized and shows.
    bool covering() const;

    // The lock screen's texts as lines: the reason large, then what is pending, the password
    // prompt, a refused password, and the request key.
    bool showLock(const Texts& texts) override;
    void hideLock() override;
    bool holdsInput() const override { return covering(); }
    void setClient(Client client) override;
    void watchLoss(std::function<void()> onLost) override;

Q_SIGNALS:
    void passwordEntered(const QString& password);

public:
    struct Private;

private:
    std::unique_ptr<Private> d;
};
