#include "Views/MacLockOverlayWindow.h"

#include "Models/L10n.h"
#include "Views/MacLockOverlayContent.h"

#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

MacLockOverlayWindow::MacLockOverlayWindow(const QRect& frame, QScreen* screen)
    : QWidget(nullptr,
              Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                  | Qt::X11BypassWindowManagerHint)
{
    setObjectName(u"lockOverlayWindow"_s);
    // Never shown on screen, but it is the name a task switcher or a compositor lists it by.
    setWindowTitle(L10n::localized("岚哨锁屏"));
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose, false);
    setAttribute(Qt::WA_X11NetWmWindowTypeDialog, false);
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    setFrame(frame, screen);
}

void MacLockOverlayWindow::setFrame(const QRect& frame, QScreen* screen)
{
    if (screen && screen != this->screen()) {
        setScreen(screen);
    }
    setGeometry(frame);
}

void MacLockOverlayWindow::setContent(MacLockOverlayContent* content)
{
    if (m_content) {
        layout()->removeWidget(m_content);
        m_content->deleteLater();
    }
    m_content = content;
    content->setParent(this);
    layout()->addWidget(content);
    content->show();
}

void MacLockOverlayWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, qRound(0.92 * 255)));
}
