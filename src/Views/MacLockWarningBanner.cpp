#include "Views/MacLockWarningBanner.h"

#include "Platform/Workspace.h"
#include "Views/SymbolIcon.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QScreen>

using namespace Qt::StringLiterals;

namespace {
QPointer<MacLockWarningBanner> g_banner;
}

MacLockWarningBanner::MacLockWarningBanner(const QString& text, Workspace& workspace)
    // Override-redirect like the lock windows, so the window manager cannot stack a focused
    // full-screen window over it; it neither accepts focus nor input.
    : QWidget(nullptr,
              Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint
                  | Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput)
    , m_workspace(workspace)
{
    setObjectName(u"lockWarningBanner"_s);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 12, 18, 12);
    layout->setSpacing(12);
    auto* symbol = new QLabel(this);
    symbol->setPixmap(SymbolIcon::pixmap(u"lock.shield.fill"_s, 28, Qt::white));
    layout->addWidget(symbol);
    m_label = new QLabel(text, this);
    m_label->setObjectName(u"warningText"_s);
    m_label->setWordWrap(true);
    layout->addWidget(m_label, 1);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const int width = std::min(520, area.width() - 40);
    resize(width, sizeHint().height());
    move(area.x() + (area.width() - width) / 2, area.y() + 24);

    // A window raised later (the full-screen game brought forward) would cover it: raise it again
    // twice a second while it shows.
    m_raise.setInterval(500);
    connect(&m_raise, &QTimer::timeout, this, &MacLockWarningBanner::keepAbove);
    m_raise.start();
    QTimer::singleShot(visibleMs, this, &QWidget::close);
}

QString MacLockWarningBanner::text() const
{
    return m_label->text();
}

MacLockWarningBanner* MacLockWarningBanner::present(const QString& text, Workspace& workspace)
{
    if (g_banner) {
        g_banner->close();
    }
    g_banner = new MacLockWarningBanner(text, workspace);
    g_banner->show();
    g_banner->raise();
    return g_banner;
}

void MacLockWarningBanner::keepAbove()
{
    if (isVisible()) {
        // Through the workspace's own connection, flushed at once, like the lock windows.
        m_workspace.raise({ quintptr(winId()) });
    }
}

void MacLockWarningBanner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(32, 40, 56, 235));
    painter.drawRoundedRect(rect(), 12, 12);
}
