#include "Views/MacLockOverlayWindow.h"

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
