#pragma once

#include <QWidget>

class MacLockOverlayContent;

// One lock window: frameless, nearly opaque black, covering one screen. It bypasses the window
// manager (an override-redirect window on X11), because a window manager stacks a focused
// full-screen window above every window it manages, "stay on top" ones included.
class MacLockOverlayWindow final : public QWidget
{
    Q_OBJECT

public:
    explicit MacLockOverlayWindow(const QRect& frame, QScreen* screen = nullptr);

    void setContent(MacLockOverlayContent* content);
    MacLockOverlayContent* content() const { return m_content; }
    void setFrame(const QRect& frame, QScreen* screen);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    MacLockOverlayContent* m_content = nullptr;
};
