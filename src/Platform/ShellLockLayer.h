#pragma once

#include <QMap>
#include <QString>

#include <functional>

// A lock drawn by the compositor itself, above every window on every monitor and holding all
// input, where the window system lets no client window do that (GNOME on Wayland). The layer
// shows the lock screen's texts and its two ways out, and hands them back to this process.
class ShellLockLayer
{
public:
    // The texts the layer shows, by the keys it knows: "title", "reason", "pending",
    // "requestButton", "passwordButton", "passwordPlaceholder", "passwordWrong".
    using Texts = QMap<QString, QString>;

    struct Client
    {
        // Whether the password unlocked.
        std::function<bool(const QString& password)> tryParentPassword;
        std::function<void()> requestUnlock;
    };

    virtual ~ShellLockLayer() = default;

    // Shows the layer or updates its texts. False when it could not be shown: the caller must
    // cover the screens some other way at once.
    virtual bool showLock(const Texts& texts) = 0;
    virtual void hideLock() = 0;
    // Whether the layer took the keyboard at the last showLock (the compositor refuses a grab while
    // another one is held; asking again later may succeed).
    virtual bool holdsInput() const = 0;
    // Who answers the layer's buttons, and who is told when a shown layer went away without
    // hideLock (the compositor restarted, the extension was switched off).
    virtual void setClient(Client client) = 0;
    virtual void watchLoss(std::function<void()> onLost) = 0;
};
